#pragma once

// Registry values: one typed value of a registry key, with the platforms and
// the processor it is written for, and the list of a key's values.

#include "common/Stream.h"
#include "model/OwningList.h"
#include "model/Platforms.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TValue {
public:
    // Opens the editor dialog that fits the value's type; true when the author
    // confirmed. The model knows no dialogs: the user interface installs this.
    using TEditHook = std::function<bool(TValue&)>;

    explicit TValue(uint32_t type = vtString);

    uint32_t Type() const { return FType; }
    TPlatforms Platforms() const { return FPlatforms; }
    const std::string& Name() const { return FName; }
    const std::string& StringData() const { return FStringData; }
    uint32_t DwordData() const { return FDwordData; }
    TProcessor Processor() const { return FProcessor; }
    bool NoClobber() const { return FNoClobber; }
    bool IsDefault() const { return FIsDefault; }

    // The lines of a multi-string value and the bytes of a binary value are
    // edited in place.
    std::vector<std::string>& Strings() { return FStrings; }
    const std::vector<std::string>& Strings() const { return FStrings; }
    std::vector<uint8_t>& BinaryData() { return FBinaryData; }
    const std::vector<uint8_t>& BinaryData() const { return FBinaryData; }

    void SetType(uint32_t type) { FType = type; }
    void SetName(const std::string& name) { FName = name; }
    void SetStringData(const std::string& data) { FStringData = data; }
    void SetDwordData(uint32_t data) { FDwordData = data; }
    void SetPlatforms(TPlatforms platforms) { FPlatforms = platforms; }
    void SetProcessor(TProcessor processor) { FProcessor = processor; }
    void SetNoClobber(bool noClobber) { FNoClobber = noClobber; }
    // A default value is the key's unnamed string value.
    void SetIsDefault(bool isDefault);

    std::string GetDisplayName() const;
    // "0x" and eight upper-case hex digits: the type part of the CAB Wizard
    // registry flags, plus 2 for no-clobber.
    std::string GetFlagsText() const;
    // The data as the .inf and the value list show it.
    std::string GetDataText() const;
    // Same as GetDataText().empty(), without building the text.
    bool DataTextEmpty() const;

    // False without a dialog for a type outside the four, or while no editor
    // hook is installed.
    bool Edit();
    // Installs the editor hook and returns the previous one.
    static TEditHook SetEditHook(TEditHook hook);

    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;

private:
    uint32_t FType = vtString;
    TPlatforms FPlatforms = AllPlatforms;
    std::string FName = "New Value";
    std::string FStringData;
    uint32_t FDwordData = 0;
    std::vector<std::string> FStrings;
    std::vector<uint8_t> FBinaryData;
    TProcessor FProcessor = pAll;
    bool FNoClobber = false;
    bool FIsDefault = false;
};

// The values of a key, in order; it owns them.
class TValues : public TOwningList<TValue> {
public:
    // Starts with the key's default value (an empty string).
    TValues();

    // The editor adds, renames and deletes values through the list itself.
    std::vector<std::unique_ptr<TValue>>& Values() { return FItems; }
    const std::vector<std::unique_ptr<TValue>>& Values() const { return FItems; }
    // Removes the value and destroys it; false (and a trace) when it is not
    // in the list.
    bool Remove(const TValue* value);

    // Replaces every value, the default one included, with those read; on
    // failure the values stay as they were.
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const { SaveItems(stream); }
};
