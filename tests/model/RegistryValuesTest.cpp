#include "model/RegistryValues.h"

#include "common/Exception.h"
#include "model/ValueEncoding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::vector<uint8_t> Saved(const TValue& value)
{
    TMemoryStream s;
    value.SaveToStream(s);
    return s.Data();
}

std::unique_ptr<TValue> Loaded(const std::vector<uint8_t>& bytes, uint64_t* left = nullptr)
{
    TMemoryStream s(bytes);
    auto value = std::make_unique<TValue>(vtString);
    value->LoadFromStream(s);
    if (left)
        *left = s.Remaining();
    return value;
}

// Restores whatever editor hook was installed before the test.
class EditHookGuard {
public:
    explicit EditHookGuard(TValue::TEditHook hook) : FPrevious(TValue::SetEditHook(std::move(hook))) {}
    ~EditHookGuard() { TValue::SetEditHook(std::move(FPrevious)); }

private:
    TValue::TEditHook FPrevious;
};

TEST(RegistryValue, NewValueDefaults)
{
    TValue v(vtDWord);
    EXPECT_EQ(v.Type(), vtDWord);
    EXPECT_EQ(v.Name(), "New Value");
    EXPECT_EQ(v.GetDisplayName(), "New Value");
    EXPECT_EQ(v.Platforms(), AllPlatforms);
    EXPECT_EQ(v.Processor(), pAll);
    EXPECT_FALSE(v.NoClobber());
    EXPECT_FALSE(v.IsDefault());

    TValues values;
    ASSERT_EQ(values.Count(), 1);
    const TValue& def = *values.Item(0);
    EXPECT_TRUE(def.IsDefault());
    EXPECT_EQ(def.Type(), vtString);
    EXPECT_EQ(def.Name(), "");
    EXPECT_EQ(def.GetDisplayName(), "(Default)");
    EXPECT_EQ(def.GetDataText(), "");
    EXPECT_EQ(def.Platforms(), AllPlatforms);
}

TEST(RegistryValue, SetIsDefaultMakesAnUnnamedString)
{
    TValue v(vtBinary);
    v.SetName("Blob");
    v.SetIsDefault(false);
    EXPECT_EQ(v.Name(), "Blob");
    EXPECT_EQ(v.Type(), vtBinary);
    v.SetIsDefault(true);
    EXPECT_EQ(v.Name(), "");
    EXPECT_EQ(v.Type(), vtString);
    EXPECT_EQ(v.GetDisplayName(), "(Default)");
}

TEST(RegistryValue, FlagsText)
{
    struct Row {
        uint32_t type;
        bool noClobber;
        const char* flags;
    } rows[] = {
        {vtString, false, "0x00000000"}, {vtString, true, "0x00000002"},       {vtBinary, false, "0x00000001"},
        {vtBinary, true, "0x00000003"},  {vtMultiString, false, "0x00010000"}, {vtMultiString, true, "0x00010002"},
        {vtDWord, false, "0x00010001"},  {vtDWord, true, "0x00010003"},        {5, false, "0x00000000"},
        {5, true, "0x00000002"},         {0xFFFFFFFFu, false, "0x00000000"},
    };
    for (const Row& r : rows) {
        TValue v(r.type);
        v.SetNoClobber(r.noClobber);
        EXPECT_EQ(v.GetFlagsText(), r.flags) << "type " << r.type << " no-clobber " << r.noClobber;
    }
}

TEST(RegistryValue, DataTextOfEveryType)
{
    struct Row {
        const char* what;
        std::function<void(TValue&)> fill;
        uint32_t type;
        std::string text;
    } rows[] = {
        {"string", [](TValue& v) { v.SetStringData("\\Program Files\\App"); }, vtString, "\\Program Files\\App"},
        {"string kept as it stands", [](TValue& v) { v.SetStringData("a \"b\", c\r\nd\xE9"); }, vtString,
         "a \"b\", c\r\nd\xE9"},
        {"empty string", [](TValue&) {}, vtString, ""},
        {"bytes 00 0A FF",
         [](TValue& v) {
             v.BinaryData() = Bytes({0x00, 0x0A, 0xFF});
         },
         vtBinary, "0, A, FF"},
        {"byte 07", [](TValue& v) { v.BinaryData() = Bytes({0x07}); }, vtBinary, "7"},
        {"bytes 10 F0",
         [](TValue& v) {
             v.BinaryData() = Bytes({0x10, 0xF0});
         },
         vtBinary, "10, F0"},
        {"no bytes", [](TValue&) {}, vtBinary, ""},
        {"lines a b",
         [](TValue& v) {
             v.Strings() = {"a", "b"};
         },
         vtMultiString, "a,b,"},
        {"one empty line", [](TValue& v) { v.Strings() = {""}; }, vtMultiString, ","},
        {"no lines", [](TValue&) {}, vtMultiString, ""},
        {"dword 255", [](TValue& v) { v.SetDwordData(255); }, vtDWord, "FF"},
        {"dword 0", [](TValue&) {}, vtDWord, "0"},
        {"dword 0x1000", [](TValue& v) { v.SetDwordData(0x1000); }, vtDWord, "1000"},
        {"dword max", [](TValue& v) { v.SetDwordData(0xFFFFFFFFu); }, vtDWord, "FFFFFFFF"},
        {"type 5", [](TValue& v) { v.SetStringData("x"); }, 5, "Unknown type"},
    };
    for (const Row& r : rows) {
        TValue v(r.type);
        r.fill(v);
        EXPECT_EQ(v.GetDataText(), r.text) << r.what;
        EXPECT_EQ(v.DataTextEmpty(), r.text.empty()) << r.what;
    }

    // Only the data field of the type counts.
    TValue v(vtDWord);
    v.SetStringData("ignored");
    v.BinaryData() = Bytes({1});
    EXPECT_EQ(v.GetDataText(), "0");
}

TEST(RegistryValue, EditGoesThroughTheInstalledEditor)
{
    TValue v(vtString);
    {
        EditHookGuard none{TValue::TEditHook()};
        EXPECT_FALSE(v.Edit());
    }

    std::vector<uint32_t> opened;
    EditHookGuard guard([&opened](TValue& value) {
        opened.push_back(value.Type());
        value.SetStringData("edited");
        return value.Type() != vtBinary; // the binary editor is "cancelled"
    });
    for (uint32_t type : {vtString, vtMultiString, vtDWord}) {
        TValue known(type);
        EXPECT_TRUE(known.Edit()) << type;
        EXPECT_EQ(known.StringData(), "edited");
    }
    TValue binary(vtBinary);
    EXPECT_FALSE(binary.Edit());
    TValue unknown(7);
    EXPECT_FALSE(unknown.Edit());
    EXPECT_EQ(unknown.StringData(), "");
    EXPECT_EQ(opened, (std::vector<uint32_t>{vtString, vtMultiString, vtDWord, vtBinary}));
}

TEST(RegistryValue, RecordBytes)
{
    TValue dword(vtDWord);
    dword.SetName("N");
    dword.SetDwordData(0xFFFFFFFEu);
    dword.SetPlatforms({plHPC, plPPC300});
    dword.SetProcessor(pStrongARM);
    dword.SetNoClobber(true);
    EXPECT_EQ(HexDump(Saved(dword)), HexDump(Bytes({0x04, 0x01, 0x00, 0x01, 0x00, // type 0x10001
                                                    0x02, 0x02, 0x02, 0x00, 0x02, 0x04, // {plHPC, plPPC300}
                                                    0x02, 0x0C, // pStrongARM
                                                    0x06, 0x01, 'N', //
                                                    0x02, 0xFE, // the DWORD's bits as a signed integer
                                                    0x09, 0x08})));

    // An empty binary value is its count and nothing else.
    TValue binary(vtBinary);
    binary.SetName("");
    binary.SetPlatforms({});
    EXPECT_EQ(HexDump(Saved(binary)),
              HexDump(Bytes({0x02, 0x01, 0x02, 0x00, 0x02, 0x00, 0x06, 0x00, 0x02, 0x00, 0x08, 0x08})));

    // Raw bytes sit untagged between the count and the flags.
    binary.BinaryData() = Bytes({0x09, 0x08});
    EXPECT_EQ(HexDump(Saved(binary)),
              HexDump(Bytes({0x02, 0x01, 0x02, 0x00, 0x02, 0x00, 0x06, 0x00, 0x02, 0x02, 0x09, 0x08, 0x08, 0x08})));

    // The default value is stored under its display name; a type outside the
    // four stores no data.
    TValues values;
    values.Item(0)->SetStringData("d");
    auto def = Saved(*values.Item(0));
    EXPECT_NE(std::string(def.begin(), def.end())
                  .find("\x06\x09(Default)\x06\x01"
                        "d\x08\x09"),
              std::string::npos);
    TValue odd(5);
    odd.SetName("");
    odd.SetStringData("not stored");
    odd.SetPlatforms({});
    EXPECT_EQ(HexDump(Saved(odd)), HexDump(Bytes({0x02, 0x05, 0x02, 0x00, 0x02, 0x00, 0x06, 0x00, 0x08, 0x08})));
}

TEST(RegistryValue, EveryTypeRoundTrips)
{
    std::vector<std::unique_ptr<TValue>> samples;
    auto add = [&samples](uint32_t type) { return samples.emplace_back(std::make_unique<TValue>(type)).get(); };

    TValue* s = add(vtString);
    s->SetName("Path \xE9");
    s->SetStringData(std::string(300, 's'));
    s->SetPlatforms({plWM2003});
    s->SetProcessor(pHitachiSH3);
    TValue* b = add(vtBinary);
    for (int i = 0; i < 256; ++i)
        b->BinaryData().push_back(uint8_t(i));
    b->SetNoClobber(true);
    TValue* m = add(vtMultiString);
    m->Strings() = {"one", "", "three \xE9"};
    m->SetPlatforms({});
    TValue* d = add(vtDWord);
    d->SetDwordData(0x80000000u);
    TValue* u = add(0x12345);
    u->SetName("odd");
    add(vtMultiString); // no lines

    for (const auto& original : samples) {
        uint64_t left = 99;
        auto copy = Loaded(Saved(*original), &left);
        SCOPED_TRACE(original->Name());
        EXPECT_EQ(left, 0u);
        EXPECT_EQ(copy->Type(), original->Type());
        EXPECT_EQ(copy->Name(), original->Name());
        EXPECT_EQ(copy->Platforms(), original->Platforms());
        EXPECT_EQ(copy->Processor(), original->Processor());
        EXPECT_EQ(copy->NoClobber(), original->NoClobber());
        EXPECT_EQ(copy->IsDefault(), original->IsDefault());
        EXPECT_EQ(copy->GetDataText(), original->GetDataText());
        EXPECT_EQ(copy->BinaryData(), original->Type() == vtBinary ? original->BinaryData() : std::vector<uint8_t>());
        EXPECT_EQ(copy->Strings(),
                  original->Type() == vtMultiString ? original->Strings() : std::vector<std::string>());
        EXPECT_EQ(Saved(*copy), Saved(*original));
    }
}

TEST(RegistryValue, DefaultValueReadsBackAsUnnamedString)
{
    TValue v(vtString);
    v.SetIsDefault(true);
    v.SetType(vtDWord); // a record that claims a DWORD default value
    v.SetDwordData(31);
    auto copy = Loaded(Saved(v));
    EXPECT_TRUE(copy->IsDefault());
    EXPECT_EQ(copy->Name(), "");
    EXPECT_EQ(copy->Type(), vtString);
    EXPECT_EQ(copy->DwordData(), 31u);
}

TEST(RegistryValue, HostileCountsFailBeforeAllocating)
{
    // type, no platforms, pAll, empty name, then the data and flags given
    auto record = [](uint8_t type0, uint8_t type2, std::vector<uint8_t> rest) {
        std::vector<uint8_t> r = {0x04, type0, 0x00, type2, 0x00, 0x02, 0x00, 0x02, 0x00, 0x06, 0x00};
        r.insert(r.end(), rest.begin(), rest.end());
        return r;
    };
    // Binary: a count one above what is left, and the largest count there is.
    EXPECT_EQ(ErrorOf([&] { Loaded(record(1, 0, {0x02, 0x03, 0xAA, 0xBB})); }), "Stream read error");
    EXPECT_EQ(ErrorOf([&] { Loaded(record(1, 0, {0x04, 0xFF, 0xFF, 0xFF, 0x7F, 0xAA})); }), "Stream read error");
    // Multi-string and value list with a count no stream can satisfy.
    EXPECT_EQ(ErrorOf([&] { Loaded(record(0, 1, {0x04, 0xFF, 0xFF, 0xFF, 0x7F, 0x06, 0x00})); }), "Stream read error");
    TValues values;
    TMemoryStream s(Bytes({0x04, 0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(ErrorOf([&] { values.LoadFromStream(s); }), "Stream read error");
    EXPECT_EQ(values.Count(), 1); // left as it was

    // A negative byte count reads no bytes.
    auto v = Loaded(record(1, 0, {0x02, 0xFF, 0x09, 0x08}));
    EXPECT_TRUE(v->BinaryData().empty());
    EXPECT_TRUE(v->NoClobber());
}

TEST(RegistryValues, ListRoundTripReplacesTheDefault)
{
    TValues values;
    values.Item(0)->SetStringData("default data");
    TValue* named = values.Add(std::make_unique<TValue>(vtDWord));
    named->SetDwordData(7);
    values.Add(std::make_unique<TValue>(vtBinary));

    TMemoryStream s;
    values.SaveToStream(s);
    s.Seek(0);
    TValues copy;
    copy.LoadFromStream(s);
    ASSERT_EQ(copy.Count(), 3);
    EXPECT_TRUE(copy.Item(0)->IsDefault());
    EXPECT_EQ(copy.Item(0)->StringData(), "default data");
    EXPECT_EQ(copy.Item(1)->DwordData(), 7u);
    EXPECT_EQ(copy.Item(2)->Type(), vtBinary);

    TMemoryStream empty(Bytes({0x02, 0x00}));
    copy.LoadFromStream(empty);
    EXPECT_EQ(copy.Count(), 0);

    TraceRecorder trace;
    EXPECT_EQ(values.Item(3), nullptr);
    TValue stranger(vtString);
    EXPECT_FALSE(values.Remove(&stranger));
    EXPECT_EQ(trace.Messages().size(), 2u);
    EXPECT_TRUE(values.Remove(named));
    EXPECT_EQ(values.Count(), 2);
    EXPECT_EQ(values.Item(1)->Type(), vtBinary);
}

}
