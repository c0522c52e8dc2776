#pragma once

// The project's registry key tree: the predefined top-level keys (hives) and
// the author's keys below them, each with its values.

#include "common/Stream.h"
#include "model/OwningList.h"
#include "model/Platforms.h"
#include "model/RegistryValues.h"
#include "model/TreeDisplay.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Deepest nesting a project file may hold, top-level keys counted as level 1.
// The Windows registry itself stops at 512 levels, so a deeper tree could not
// be installed anyway; the bound keeps a hostile file from exhausting the
// stack of the recursive readers and walkers.
inline constexpr int MaxRegKeyDepth = 512;

class TRegKey {
public:
    using TList = std::vector<std::unique_ptr<TRegKey>>;

    TRegKey(bool isSystem, const std::string& name, const std::string& shortName);
    ~TRegKey();
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;

    const std::string& ShortName() const { return FShortName; }
    const std::string& Name() const { return FName; }
    bool IsSystem() const { return FIsSystem; }
    TRegKey* Parent() const { return FParent; }
    int32_t ID() const { return FID; }
    TValues& Values() { return *FValues; }
    const TValues& Values() const { return *FValues; }
    const TList& SubKeys() const { return FSubKeys; }

    void SetName(const std::string& name) { FName = name; }
    void SetShortName(const std::string& shortName) { FShortName = shortName; }
    void SetIsSystem(bool isSystem) { FIsSystem = isSystem; }
    void SetParent(TRegKey* parent) { FParent = parent; }
    void SetID(int32_t id) { FID = id; }

    // Makes this key the subkey's parent and appends it; returns it.
    TRegKey* AddSubKey(std::unique_ptr<TRegKey> key);
    // Removes and destroys the subkey with its branch.
    void DeleteSubKey(int index);
    // Null (and a trace) for an index outside the list.
    TRegKey* GetSubKey(int index) const;
    int SubKeyCount() const { return static_cast<int>(FSubKeys.size()); }
    int IndexOfSubKey(const TRegKey* key) const;

    // All direct subkeys in order, then each subkey's own collection in turn
    // (level by level within each branch; the order the keys are numbered in).
    void CollectSubKeys(std::vector<TRegKey*>& list) const;

    // What the .inf writes for the key: its name, the hive above it and its
    // path below the hive.
    std::string GetKeyName() const;
    std::string GetHive() const;
    std::string GetKeyPath() const;
    // True when at least one value is meant for the target (plAll: any
    // platform). A predefined key's values count only when they carry data.
    bool MatchesTarget(TPlatform platform, TProcessor processor) const;

    // Adds the key below parent (top level when null) and its subkeys below it.
    void FillTree(TTreeDisplay& display, TTreeDisplay::TNode parent);

    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;

private:
    void LoadRecord(TStream& stream, int depth);

    TList FSubKeys;
    std::string FShortName;
    std::string FName;
    bool FIsSystem = false;
    TRegKey* FParent = nullptr; // not owned
    int32_t FID = 0;
    std::unique_ptr<TValues> FValues;
};

// The top-level keys of a project, in the order added; it owns them.
class TRegKeys : public TOwningList<TRegKey> {
public:
    // HKEY_CLASSES_ROOT, HKEY_CURRENT_USER with Software, HKEY_LOCAL_MACHINE.
    static std::unique_ptr<TRegKeys> CreateDefault();

    // The keys as a branch list, for walks that treat every level alike.
    const TRegKey::TList& Keys() const { return FItems; }
    // A top-level key has no parent.
    TRegKey* Add(std::unique_ptr<TRegKey> key);

    // Empties the display and lists every top-level key with its branch.
    void FillTree(TTreeDisplay& display);
    // Numbers every key below the top level from 1, branch after branch; the
    // top-level keys keep theirs.
    void AssignIDs();

    // Replaces the keys with those read; on failure the keys stay as they were.
    void LoadFromStream(TStream& stream);
    // Numbers the keys first.
    void SaveToStream(TStream& stream);
};
