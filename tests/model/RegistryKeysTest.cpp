#include "model/RegistryKeys.h"

#include "FakeTreeDisplay.h"
#include "common/Exception.h"
#include "model/ValueEncoding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

#include <functional>

namespace {

TRegKey* AddKey(TRegKey* parent, const std::string& name)
{
    return parent->AddSubKey(std::make_unique<TRegKey>(false, name, name));
}

TValue* AddValue(TRegKey* key, uint32_t type, const std::string& name)
{
    auto value = std::make_unique<TValue>(type);
    value->SetName(name);
    return key->Values().Add(std::move(value));
}

std::vector<uint8_t> Saved(TRegKeys& keys)
{
    TMemoryStream s;
    keys.SaveToStream(s);
    return s.Data();
}

// Default keys with an author's branch under each hive and values of every
// type, some of them for narrower targets.
std::unique_ptr<TRegKeys> SampleTree()
{
    auto keys = TRegKeys::CreateDefault();
    TRegKey* software = keys->Item(1)->GetSubKey(0);
    TRegKey* app = AddKey(software, "MyApp");
    AddValue(app, vtString, "Path")->SetStringData("\\Program Files\\MyApp");
    TValue* bin = AddValue(app, vtBinary, "Blob");
    bin->BinaryData() = Bytes({0x00, 0x0A, 0xFF});
    bin->SetPlatforms({plHPC});
    bin->SetProcessor(pStrongARM);
    TRegKey* sub = AddKey(app, "Sub");
    TValue* multi = AddValue(sub, vtMultiString, "List");
    multi->Strings() = {"a", "b \xE9"};
    multi->SetNoClobber(true);
    AddValue(sub, vtDWord, "Count")->SetDwordData(0xDEADBEEF);
    AddKey(app, "Empty");
    TRegKey* x = AddKey(keys->Item(2), "X");
    x->Values().Item(0)->SetStringData(std::string(300, 'x')); // a long string has a tag of its own
    AddValue(x, 0x20000, "Odd")->SetStringData("not stored");
    AddValue(keys->Item(2), vtDWord, "OnHive")->SetDwordData(31);
    return keys;
}

void ExpectSameKey(const TRegKey& a, const TRegKey& b)
{
    SCOPED_TRACE(a.Name());
    auto keyFields = [](const TRegKey& k) {
        return std::tuple(k.ID(), k.IsSystem(), k.Name(), k.ShortName(), k.GetKeyPath(), k.GetHive());
    };
    EXPECT_EQ(keyFields(a), keyFields(b));
    auto valueFields = [](const TValue& v) {
        return std::tuple(v.GetDisplayName(), v.Type(), v.GetDataText(), v.GetFlagsText(), v.Platforms(),
                          v.Processor());
    };
    ASSERT_EQ(a.Values().Count(), b.Values().Count());
    for (int i = 0; i < a.Values().Count(); ++i)
        EXPECT_EQ(valueFields(*a.Values().Item(i)), valueFields(*b.Values().Item(i))) << i;
    ASSERT_EQ(a.SubKeyCount(), b.SubKeyCount());
    for (int i = 0; i < a.SubKeyCount(); ++i) {
        EXPECT_EQ(b.GetSubKey(i)->Parent(), &b);
        ExpectSameKey(*a.GetSubKey(i), *b.GetSubKey(i));
    }
}

TEST(RegistryKeys, DefaultKeys)
{
    auto keys = TRegKeys::CreateDefault();
    ASSERT_EQ(keys->Count(), 3);
    struct Row {
        const char* name;
        const char* shortName;
        int subKeys;
    } rows[] = {{"HKEY_CLASSES_ROOT", "HKCR", 0}, {"HKEY_CURRENT_USER", "HKCU", 1}, {"HKEY_LOCAL_MACHINE", "HKLM", 0}};
    for (int i = 0; i < 3; ++i) {
        const TRegKey& key = *keys->Item(i);
        EXPECT_EQ(key.Name(), rows[i].name);
        EXPECT_EQ(key.ShortName(), rows[i].shortName);
        EXPECT_EQ(key.GetKeyName(), rows[i].shortName);
        EXPECT_TRUE(key.IsSystem());
        EXPECT_EQ(key.Parent(), nullptr);
        EXPECT_EQ(key.ID(), 0);
        EXPECT_EQ(key.SubKeyCount(), rows[i].subKeys);
        ASSERT_EQ(key.Values().Count(), 1);
        EXPECT_TRUE(key.Values().Item(0)->IsDefault());
    }
    const TRegKey& software = *keys->Item(1)->GetSubKey(0);
    EXPECT_EQ(software.Name(), "Software");
    EXPECT_EQ(software.ShortName(), "Software");
    EXPECT_TRUE(software.IsSystem());
    EXPECT_EQ(software.Parent(), keys->Item(1));
    EXPECT_EQ(software.Values().Count(), 1);
    EXPECT_EQ(TRegKeys().Count(), 0);
}

TEST(RegistryKeys, HiveAndPathOfNestedKeys)
{
    auto keys = TRegKeys::CreateDefault();
    TRegKey* hkcu = keys->Item(1);
    TRegKey* software = hkcu->GetSubKey(0);
    TRegKey* app = AddKey(software, "MyApp");
    TRegKey* sub = AddKey(app, "Sub");
    TRegKey* x = AddKey(keys->Item(2), "X");
    TRegKey* y = AddKey(x, "Y");
    // A predefined key deeper down restarts the path below it.
    TRegKey* deepSystem = sub->AddSubKey(std::make_unique<TRegKey>(true, "Shown", "Deep"));
    TRegKey* belowDeep = AddKey(deepSystem, "Z");
    // A top-level key of the author's (only a project file can hold one).
    TRegKey* top = keys->Add(std::make_unique<TRegKey>(false, "Top", "HKTop"));
    TRegKey* topChild = AddKey(top, "C");
    // The short name given at creation is not what an author's key writes.
    TRegKey* renamed = software->AddSubKey(std::make_unique<TRegKey>(false, "Shown", "Hidden"));

    struct Row {
        const TRegKey* key;
        const char* hive;
        const char* path;
    } rows[] = {
        {keys->Item(0), "HKCR", ""},
        {hkcu, "HKCU", ""},
        {software, "HKCU", "Software"},
        {app, "HKCU", "Software\\MyApp"},
        {sub, "HKCU", "Software\\MyApp\\Sub"},
        {keys->Item(2), "HKLM", ""},
        {x, "HKLM", "X"},
        {y, "HKLM", "X\\Y"},
        {deepSystem, "HKCU", ""},
        {belowDeep, "HKCU", "Z"},
        {top, "HKTop", "Top"},
        {topChild, "HKTop", "Top\\C"},
        {renamed, "HKCU", "Software\\Shown"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.key->GetHive(), r.hive) << r.key->Name();
        EXPECT_EQ(r.key->GetKeyPath(), r.path) << r.key->Name();
    }
    EXPECT_EQ(deepSystem->GetKeyName(), "Deep");
    EXPECT_EQ(renamed->GetKeyName(), "Shown");
}

TEST(RegistryKeys, MatchesTarget)
{
    auto keys = TRegKeys::CreateDefault();
    TRegKey* hklm = keys->Item(2);
    TRegKey* author = AddKey(hklm, "Author");
    for (int p = 0; p <= plAll; ++p)
        for (int c = 0; c < ProcessorCount; ++c) {
            EXPECT_FALSE(hklm->MatchesTarget(TPlatform(p), TProcessor(c))) << p << "/" << c;
            EXPECT_TRUE(author->MatchesTarget(TPlatform(p), TProcessor(c))) << p << "/" << c;
        }

    // A value for one platform and processor.
    TRegKey* narrow = AddKey(hklm, "Narrow");
    narrow->Values().Values().clear();
    TValue* v = AddValue(narrow, vtString, "V");
    v->SetPlatforms({plHPC});
    v->SetProcessor(pStrongARM);
    EXPECT_TRUE(narrow->MatchesTarget(plHPC, pStrongARM));
    EXPECT_TRUE(narrow->MatchesTarget(plAll, pStrongARM));
    EXPECT_FALSE(narrow->MatchesTarget(plHPC, pMIPSR4000));
    EXPECT_FALSE(narrow->MatchesTarget(plPPC300, pStrongARM));
    EXPECT_FALSE(narrow->MatchesTarget(plHPC, pAll));
    // A value with no platform is meant for no platform but "any".
    v->SetPlatforms({});
    EXPECT_FALSE(narrow->MatchesTarget(plHPC, pStrongARM));
    EXPECT_TRUE(narrow->MatchesTarget(plAll, pStrongARM));
    narrow->Values().Values().clear();
    EXPECT_FALSE(narrow->MatchesTarget(plAll, pAll));

    // A predefined key matches through values that carry data.
    struct Row {
        const char* what;
        uint32_t type;
        std::function<void(TValue&)> fill;
        bool matches;
    } rows[] = {
        {"empty string", vtString, [](TValue&) {}, false},
        {"string", vtString, [](TValue& x) { x.SetStringData("s"); }, true},
        {"no bytes", vtBinary, [](TValue&) {}, false},
        {"bytes", vtBinary, [](TValue& x) { x.BinaryData() = Bytes({0}); }, true},
        {"no lines", vtMultiString, [](TValue&) {}, false},
        {"one empty line", vtMultiString, [](TValue& x) { x.Strings() = {""}; }, true},
        {"dword 0", vtDWord, [](TValue&) {}, true},
        {"unknown type", 9, [](TValue&) {}, true},
    };
    for (const Row& r : rows) {
        auto hkcr = std::make_unique<TRegKey>(true, "HKEY_CLASSES_ROOT", "HKCR");
        r.fill(*AddValue(hkcr.get(), r.type, "N"));
        EXPECT_EQ(hkcr->MatchesTarget(plPPC300, pStrongARM), r.matches) << r.what;
        // The author's keys match whatever the data.
        auto own = std::make_unique<TRegKey>(false, "Own", "Own");
        own->Values().Values().clear();
        r.fill(*AddValue(own.get(), r.type, "N"));
        EXPECT_TRUE(own->MatchesTarget(plPPC300, pStrongARM)) << r.what;
    }
}

TEST(RegistryKeys, SubKeysAddDeleteAndCollect)
{
    auto a = std::make_unique<TRegKey>(false, "A", "A");
    TRegKey* b = AddKey(a.get(), "B");
    TRegKey* c = AddKey(a.get(), "C");
    AddKey(b, "D");
    AddKey(b, "E");
    AddKey(AddKey(c, "F"), "G");

    std::vector<TRegKey*> list;
    a->CollectSubKeys(list);
    std::string order;
    for (TRegKey* k : list)
        order += k->Name();
    EXPECT_EQ(order, "BCDEFG");
    EXPECT_EQ(c->Parent(), a.get());
    EXPECT_EQ(a->IndexOfSubKey(c), 1);

    TraceRecorder trace;
    EXPECT_EQ(a->GetSubKey(2), nullptr);
    a->DeleteSubKey(-1);
    EXPECT_EQ(trace.Messages().size(), 2u);
    EXPECT_EQ(a->SubKeyCount(), 2);

    a->DeleteSubKey(0); // B with D and E
    ASSERT_EQ(a->SubKeyCount(), 1);
    EXPECT_EQ(a->GetSubKey(0), c);
    list.clear();
    a->CollectSubKeys(list);
    EXPECT_EQ(list.size(), 3u);
}

TEST(RegistryKeys, AssignIDsNumbersBranchAfterBranch)
{
    TRegKeys keys;
    TRegKey* a = keys.Add(std::make_unique<TRegKey>(false, "A", "A"));
    a->SetID(40);
    TRegKey* b = AddKey(a, "B");
    TRegKey* c = AddKey(a, "C");
    TRegKey* d = AddKey(b, "D");
    TRegKey* e = AddKey(b, "E");
    TRegKey* f = AddKey(c, "F");
    TRegKey* g = keys.Add(std::make_unique<TRegKey>(false, "G", "G"));
    TRegKey* h = AddKey(g, "H");
    for (TRegKey* k : {b, c, d, e, f, h})
        k->SetID(99);

    keys.AssignIDs();
    EXPECT_EQ(a->ID(), 40);
    EXPECT_EQ(g->ID(), 0);
    const TRegKey* expected[] = {b, c, d, e, f, h};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(expected[i]->ID(), i + 1) << expected[i]->Name();
}

TEST(RegistryKeys, DefaultKeysRecordBytes)
{
    auto keys = TRegKeys::CreateDefault();
    keys->Item(1)->GetSubKey(0)->SetID(7); // renumbered by the save
    std::vector<uint8_t> bytes = Saved(*keys);

    std::vector<uint8_t> defaultValue = {0x02, 0x00, 0x02, 0x08};
    for (uint8_t p = 0; p < 8; ++p)
        defaultValue.insert(defaultValue.end(), {0x02, p});
    defaultValue.insert(defaultValue.end(), {0x02, 0x00, 0x06, 0x09});
    for (char ch : std::string("(Default)"))
        defaultValue.push_back(uint8_t(ch));
    defaultValue.insert(defaultValue.end(), {0x06, 0x00, 0x08, 0x09});

    auto keyRecord = [&defaultValue](int id, const std::string& shortName, const std::string& name,
                                     const std::vector<uint8_t>& subKeys, int subKeyCount) {
        std::vector<uint8_t> r = {0x02, uint8_t(id), 0x09, 0x06, uint8_t(shortName.size())};
        r.insert(r.end(), shortName.begin(), shortName.end());
        r.insert(r.end(), {0x06, uint8_t(name.size())});
        r.insert(r.end(), name.begin(), name.end());
        r.insert(r.end(), {0x02, uint8_t(subKeyCount)});
        r.insert(r.end(), subKeys.begin(), subKeys.end());
        r.insert(r.end(), {0x02, 0x01});
        r.insert(r.end(), defaultValue.begin(), defaultValue.end());
        return r;
    };
    std::vector<uint8_t> expected = {0x02, 0x03};
    for (const auto& r : {keyRecord(0, "HKCR", "HKEY_CLASSES_ROOT", {}, 0),
                          keyRecord(0, "HKCU", "HKEY_CURRENT_USER", keyRecord(1, "Software", "Software", {}, 0), 1),
                          keyRecord(0, "HKLM", "HKEY_LOCAL_MACHINE", {}, 0)})
        expected.insert(expected.end(), r.begin(), r.end());
    EXPECT_EQ(HexDump(bytes), HexDump(expected));
}

TEST(RegistryKeys, TreeRoundTrips)
{
    auto keys = SampleTree();
    std::vector<uint8_t> bytes = Saved(*keys);

    TRegKeys copy;
    copy.Add(std::make_unique<TRegKey>(false, "Old", "Old")); // replaced by the load
    TMemoryStream s(bytes);
    copy.LoadFromStream(s);
    EXPECT_EQ(s.Remaining(), 0u);
    ASSERT_EQ(copy.Count(), keys->Count());
    for (int i = 0; i < keys->Count(); ++i) {
        EXPECT_EQ(copy.Item(i)->Parent(), nullptr);
        ExpectSameKey(*keys->Item(i), *copy.Item(i));
    }
    EXPECT_EQ(Saved(copy), bytes);
    // What the .inf needs survives too.
    const TRegKey* sub = copy.Item(1)->GetSubKey(0)->GetSubKey(0)->GetSubKey(0);
    EXPECT_EQ(sub->GetKeyPath(), "Software\\MyApp\\Sub");
    EXPECT_EQ(sub->Values().Item(1)->GetDataText(), "a,b \xE9,");
    EXPECT_EQ(sub->Values().Item(1)->GetFlagsText(), "0x00010002");
    EXPECT_TRUE(copy.Item(2)->MatchesTarget(plPPC300, pMIPSR4000)); // through its DWORD
    EXPECT_FALSE(copy.Item(0)->MatchesTarget(plAll, pAll));
}

TEST(RegistryKeys, CutAtEveryByteFailsCleanly)
{
    auto keys = SampleTree();
    const std::vector<uint8_t> bytes = Saved(*keys);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        TRegKeys target;
        target.Add(std::make_unique<TRegKey>(false, "Kept", "Kept"));
        TMemoryStream s(bytes.data(), cut);
        EXPECT_EQ(ErrorOf([&] { target.LoadFromStream(s); }), "Stream read error") << "cut at " << cut;
        ASSERT_EQ(target.Count(), 1);
        EXPECT_EQ(target.Item(0)->Name(), "Kept");
    }
}

// A chain of `depth` keys, each the only subkey of the one above, as a
// project file stores it.
std::vector<uint8_t> NestedRecord(int depth)
{
    std::vector<uint8_t> out = {0x02, 0x01};
    const uint8_t head[] = {0x02, 0x00, 0x08, 0x06, 0x00, 0x06, 0x01, 'k'};
    for (int i = 0; i < depth; ++i) {
        out.insert(out.end(), std::begin(head), std::end(head));
        out.insert(out.end(), {0x02, uint8_t(i + 1 < depth ? 1 : 0)});
    }
    for (int i = 0; i < depth; ++i)
        out.insert(out.end(), {0x02, 0x00}); // no values
    return out;
}

TEST(RegistryKeys, HostileNestingAndCounts)
{
    {
        TRegKeys keys;
        TMemoryStream s(NestedRecord(MaxRegKeyDepth));
        keys.LoadFromStream(s);
        const TRegKey* k = keys.Item(0);
        int depth = 1;
        while (k->SubKeyCount()) {
            k = k->GetSubKey(0);
            ++depth;
        }
        EXPECT_EQ(depth, MaxRegKeyDepth);
        EXPECT_EQ(k->GetHive(), "");
        EXPECT_EQ(k->GetKeyPath().size(), size_t(MaxRegKeyDepth * 2 - 1));
    }
    for (int depth : {MaxRegKeyDepth + 1, 200000}) {
        TRegKeys keys;
        TMemoryStream s(NestedRecord(depth));
        EXPECT_EQ(ErrorOf([&] { keys.LoadFromStream(s); }), "Registry keys are nested too deeply") << depth;
        EXPECT_EQ(keys.Count(), 0);
    }

    // Counts far beyond the data fail as soon as the data ends.
    const std::vector<uint8_t> huge = {0x04, 0xFF, 0xFF, 0xFF, 0x7F};
    TRegKeys keys;
    TMemoryStream topCount(huge);
    EXPECT_EQ(ErrorOf([&] { keys.LoadFromStream(topCount); }), "Stream read error");
    std::vector<uint8_t> subCount = {0x02, 0x01, 0x02, 0x00, 0x08, 0x06, 0x00, 0x06, 0x00};
    subCount.insert(subCount.end(), huge.begin(), huge.end());
    TMemoryStream sub(subCount);
    EXPECT_EQ(ErrorOf([&] { keys.LoadFromStream(sub); }), "Stream read error");
    std::vector<uint8_t> valueCount = {0x02, 0x01, 0x02, 0x00, 0x08, 0x06, 0x00, 0x06, 0x00, 0x02, 0x00};
    valueCount.insert(valueCount.end(), huge.begin(), huge.end());
    TMemoryStream values(valueCount);
    EXPECT_EQ(ErrorOf([&] { keys.LoadFromStream(values); }), "Stream read error");
}

TEST(RegistryKeys, FillTree)
{
    auto keys = SampleTree();
    FakeTreeDisplay display;
    display.AddNode(nullptr, "stale", nullptr);
    keys->FillTree(display);
    EXPECT_EQ(display.ClearCount(), 1);
    EXPECT_EQ(display.Outline(),
              "HKEY_CLASSES_ROOT;HKEY_CURRENT_USER(Software(MyApp(Sub,Empty)));HKEY_LOCAL_MACHINE(X)");

    // Every node refers to its key, at every level.
    std::function<void(TTreeDisplay::TNode, const TRegKey*)> check = [&](TTreeDisplay::TNode node, const TRegKey* key) {
        EXPECT_EQ(display.NodeObject(node), key);
        ASSERT_EQ(display.ChildCount(node), key->SubKeyCount());
        for (int i = 0; i < key->SubKeyCount(); ++i)
            check(display.Child(node, i), key->GetSubKey(i));
    };
    ASSERT_EQ(display.ChildCount(nullptr), 3);
    for (int i = 0; i < 3; ++i)
        check(display.Child(nullptr, i), keys->Item(i));

    // A key fills below the node it is given.
    TTreeDisplay::TNode holder = display.AddNode(nullptr, "holder", nullptr);
    keys->Item(1)->GetSubKey(0)->FillTree(display, holder);
    EXPECT_EQ(display.ChildCount(holder), 1);
    EXPECT_EQ(display.Outline().substr(display.Outline().rfind(';') + 1), "holder(Software(MyApp(Sub,Empty)))");

    keys->FillTree(display); // refilling does not duplicate
    EXPECT_EQ(display.ChildCount(nullptr), 3);
}

TEST(RegistryKeys, LargeTreeStaysLinear)
{
    // 5,000 values over 250 keys in chains of five below each hive.
    auto keys = TRegKeys::CreateDefault();
    int values = 0;
    for (int branch = 0; branch < 50; ++branch) {
        TRegKey* parent = keys->Item(branch % 3);
        for (int level = 0; level < 5; ++level) {
            parent = AddKey(parent, "K" + std::to_string(branch) + "_" + std::to_string(level));
            for (int v = 0; v < 20; ++v, ++values) {
                TValue* value = AddValue(parent, v % 2 ? vtDWord : vtString, "V" + std::to_string(v));
                value->SetDwordData(uint32_t(v));
                value->SetStringData(std::string(v, 'd'));
                value->SetProcessor(TProcessor(v % ProcessorCount));
            }
        }
    }
    ASSERT_EQ(values, 5000);

    std::vector<uint8_t> bytes = Saved(*keys);
    TRegKeys copy;
    TMemoryStream s(bytes);
    copy.LoadFromStream(s);
    EXPECT_EQ(Saved(copy), bytes);

    std::vector<TRegKey*> all;
    int matches = 0, loaded = 0;
    for (const auto& top : copy.Keys()) {
        all.clear();
        top->CollectSubKeys(all);
        for (const TRegKey* key : all) {
            loaded += key->Values().Count() - 1;
            if (key->MatchesTarget(plPPC300, pStrongARM))
                ++matches;
            EXPECT_FALSE(key->GetKeyPath().empty());
        }
    }
    EXPECT_EQ(loaded, 5000);
    EXPECT_EQ(matches, 250);
}

}
