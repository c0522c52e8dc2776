#include "model/RegistryKeys.h"

#include "common/DebugTrace.h"
#include "common/Exception.h"
#include "model/ValueEncoding.h"

#include <algorithm>
#include <utility>

TRegKey::TRegKey(bool isSystem, const std::string& name, const std::string& shortName)
    : FShortName(shortName), FName(name), FIsSystem(isSystem), FValues(std::make_unique<TValues>())
{
}

TRegKey::~TRegKey() = default;

TRegKey* TRegKey::AddSubKey(std::unique_ptr<TRegKey> key)
{
    key->FParent = this;
    FSubKeys.push_back(std::move(key));
    return FSubKeys.back().get();
}

void TRegKey::DeleteSubKey(int index)
{
    if (index < 0 || index >= SubKeyCount()) {
        DebugTrace("Subkey index out of range");
        return;
    }
    FSubKeys.erase(FSubKeys.begin() + index);
}

TRegKey* TRegKey::GetSubKey(int index) const
{
    if (index < 0 || index >= SubKeyCount()) {
        DebugTrace("Subkey index out of range");
        return nullptr;
    }
    return FSubKeys[static_cast<size_t>(index)].get();
}

int TRegKey::IndexOfSubKey(const TRegKey* key) const
{
    for (size_t i = 0; i < FSubKeys.size(); ++i)
        if (FSubKeys[i].get() == key)
            return static_cast<int>(i);
    return -1;
}

void TRegKey::CollectSubKeys(std::vector<TRegKey*>& list) const
{
    for (const auto& key : FSubKeys)
        list.push_back(key.get());
    for (const auto& key : FSubKeys)
        key->CollectSubKeys(list);
}

std::string TRegKey::GetKeyName() const
{
    return FIsSystem ? FShortName : FName;
}

std::string TRegKey::GetHive() const
{
    const TRegKey* top = this;
    while (top->FParent)
        top = top->FParent;
    return top->FShortName;
}

std::string TRegKey::GetKeyPath() const
{
    // Each key's path follows from its parent's alone, so the chain is walked
    // from the top down instead of recursing up it.
    std::vector<const TRegKey*> chain;
    for (const TRegKey* k = this; k; k = k->FParent)
        chain.push_back(k);

    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const TRegKey* k = *it;
        if (!k->FParent)
            path = k->FIsSystem ? std::string() : k->GetKeyName();
        else if (k->FIsSystem)
            // A predefined key directly below a hive starts the path; one
            // deeper down starts it afresh.
            path = k->FParent->FParent ? std::string() : k->GetKeyName();
        else if (path.empty())
            path = k->GetKeyName();
        else
            path += '\\' + k->GetKeyName();
    }
    return path;
}

bool TRegKey::MatchesTarget(TPlatform platform, TProcessor processor) const
{
    for (const auto& value : FValues->Values()) {
        if (platform != plAll && !value->Platforms().Contains(platform))
            continue;
        if (value->Processor() != processor && value->Processor() != pAll)
            continue;
        if (FIsSystem && value->DataTextEmpty())
            continue;
        return true;
    }
    return false;
}

void TRegKey::FillTree(TTreeDisplay& display, TTreeDisplay::TNode parent)
{
    TTreeDisplay::TNode node = display.AddNode(parent, FName, this);
    for (const auto& key : FSubKeys)
        key->FillTree(display, node);
}

void TRegKey::SaveToStream(TStream& stream) const
{
    StreamWriteInteger(stream, FID);
    StreamWriteBoolean(stream, FIsSystem);
    StreamWriteString(stream, FShortName);
    StreamWriteString(stream, FName);
    StreamWriteInteger(stream, SubKeyCount());
    for (const auto& key : FSubKeys)
        key->SaveToStream(stream);
    FValues->SaveToStream(stream);
}

void TRegKey::LoadFromStream(TStream& stream)
{
    int depth = 1;
    for (const TRegKey* k = FParent; k && depth <= MaxRegKeyDepth; k = k->FParent)
        ++depth;
    LoadRecord(stream, depth);
}

void TRegKey::LoadRecord(TStream& stream, int depth)
{
    FID = StreamReadInteger(stream);
    FIsSystem = StreamReadBoolean(stream);
    FShortName = StreamReadString(stream);
    FName = StreamReadString(stream);

    // No reserve from the count: every subkey record takes bytes of the
    // stream, so a lying count ends in a read error.
    int32_t count = StreamReadInteger(stream);
    FSubKeys.clear();
    if (count > 0 && depth >= MaxRegKeyDepth)
        throw Exception("Registry keys are nested too deeply");
    for (int32_t i = 0; i < count; ++i) {
        auto key = std::make_unique<TRegKey>(false, std::string(), std::string());
        key->LoadRecord(stream, depth + 1);
        AddSubKey(std::move(key));
    }

    auto values = std::make_unique<TValues>();
    values->LoadFromStream(stream);
    FValues = std::move(values);
}

std::unique_ptr<TRegKeys> TRegKeys::CreateDefault()
{
    auto keys = std::make_unique<TRegKeys>();
    keys->Add(std::make_unique<TRegKey>(true, "HKEY_CLASSES_ROOT", "HKCR"));
    TRegKey* user = keys->Add(std::make_unique<TRegKey>(true, "HKEY_CURRENT_USER", "HKCU"));
    user->AddSubKey(std::make_unique<TRegKey>(true, "Software", "Software"));
    keys->Add(std::make_unique<TRegKey>(true, "HKEY_LOCAL_MACHINE", "HKLM"));
    return keys;
}

TRegKey* TRegKeys::Add(std::unique_ptr<TRegKey> key)
{
    key->SetParent(nullptr);
    return TOwningList<TRegKey>::Add(std::move(key));
}

void TRegKeys::FillTree(TTreeDisplay& display)
{
    display.Clear();
    for (const auto& key : FItems)
        key->FillTree(display, nullptr);
}

void TRegKeys::AssignIDs()
{
    int32_t id = 1;
    std::vector<TRegKey*> list;
    for (const auto& top : FItems) {
        list.clear();
        top->CollectSubKeys(list);
        for (TRegKey* key : list)
            key->SetID(id++);
    }
}

void TRegKeys::SaveToStream(TStream& stream)
{
    AssignIDs();
    SaveItems(stream);
}

void TRegKeys::LoadFromStream(TStream& stream)
{
    TRegKeys read;
    read.LoadItems(stream, [](TStream& s) {
        auto key = std::make_unique<TRegKey>(false, std::string(), std::string());
        key->LoadFromStream(s);
        return key;
    });
    FItems = std::move(read.FItems);
}
