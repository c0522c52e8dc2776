#include "model/RegistryValues.h"

#include "common/DebugTrace.h"
#include "common/Exception.h"
#include "model/ValueEncoding.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

const char HexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& out, uint32_t value)
{
    char buf[8];
    int n = 0;
    do {
        buf[n++] = HexDigits[value & 0xF];
        value >>= 4;
    } while (value);
    while (n)
        out += buf[--n];
}

bool IsKnownType(uint32_t type)
{
    return type == vtString || type == vtBinary || type == vtMultiString || type == vtDWord;
}

TValue::TEditHook& EditHook()
{
    static TValue::TEditHook hook;
    return hook;
}

}

TValue::TValue(uint32_t type) : FType(type)
{
}

void TValue::SetIsDefault(bool isDefault)
{
    FIsDefault = isDefault;
    if (isDefault) {
        FName.clear();
        FType = vtString;
    }
}

std::string TValue::GetDisplayName() const
{
    return FIsDefault ? std::string("(Default)") : FName;
}

std::string TValue::GetFlagsText() const
{
    uint32_t flags = (FType == vtBinary || FType == vtMultiString || FType == vtDWord) ? FType : 0;
    if (FNoClobber)
        flags += 2;
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(flags));
    return buf;
}

std::string TValue::GetDataText() const
{
    std::string text;
    switch (FType) {
    case vtString: return FStringData;
    case vtBinary:
        text.reserve(FBinaryData.size() * 4);
        for (size_t i = 0; i < FBinaryData.size(); ++i) {
            if (i)
                text += ", ";
            AppendHex(text, FBinaryData[i]);
        }
        return text;
    case vtMultiString:
        for (const std::string& line : FStrings) {
            text += line;
            text += ',';
        }
        return text;
    case vtDWord: AppendHex(text, FDwordData); return text;
    default: return "Unknown type";
    }
}

bool TValue::DataTextEmpty() const
{
    switch (FType) {
    case vtString: return FStringData.empty();
    case vtBinary: return FBinaryData.empty();
    case vtMultiString: return FStrings.empty();
    default: return false; // a DWORD always has digits; other types say "Unknown type"
    }
}

bool TValue::Edit()
{
    if (!IsKnownType(FType))
        return false;
    // Copied so that a hook replaced while its dialog is open stays alive.
    TEditHook hook = EditHook();
    return hook ? hook(*this) : false;
}

TValue::TEditHook TValue::SetEditHook(TEditHook hook)
{
    return std::exchange(EditHook(), std::move(hook));
}

void TValue::SaveToStream(TStream& stream) const
{
    StreamWriteInteger(stream, static_cast<int32_t>(FType));
    StreamWritePlatforms(stream, FPlatforms);
    StreamWriteInteger(stream, FProcessor);
    StreamWriteString(stream, GetDisplayName());
    switch (FType) {
    case vtString: StreamWriteString(stream, FStringData); break;
    case vtBinary:
        StreamWriteInteger(stream, static_cast<int32_t>(FBinaryData.size()));
        stream.WriteBuffer(FBinaryData.data(), FBinaryData.size());
        break;
    case vtMultiString:
        StreamWriteInteger(stream, static_cast<int32_t>(FStrings.size()));
        for (const std::string& line : FStrings)
            StreamWriteString(stream, line);
        break;
    case vtDWord: StreamWriteInteger(stream, static_cast<int32_t>(FDwordData)); break;
    default: break;
    }
    StreamWriteBoolean(stream, FNoClobber);
    StreamWriteBoolean(stream, FIsDefault);
}

void TValue::LoadFromStream(TStream& stream)
{
    FType = static_cast<uint32_t>(StreamReadInteger(stream));
    FPlatforms = StreamReadPlatforms(stream);
    // Not range-checked: an unknown processor is kept as read and simply
    // matches no target but its own.
    FProcessor = static_cast<TProcessor>(static_cast<uint8_t>(StreamReadInteger(stream)));
    FName = StreamReadString(stream);
    switch (FType) {
    case vtString: FStringData = StreamReadString(stream); break;
    case vtBinary: {
        int32_t count = StreamReadInteger(stream);
        FBinaryData.clear();
        if (count > 0) {
            // The raw bytes must all be there before a buffer of that size is made.
            if (static_cast<uint64_t>(count) > stream.Remaining())
                throw Exception("Stream read error");
            FBinaryData.resize(static_cast<size_t>(count));
            stream.ReadBuffer(FBinaryData.data(), FBinaryData.size());
        }
        break;
    }
    case vtMultiString: {
        int32_t count = StreamReadInteger(stream);
        // No reserve from the count: each line is at least two bytes of the
        // stream, so a lying count ends in a read error, not a huge buffer.
        std::vector<std::string> lines;
        for (int32_t i = 0; i < count; ++i)
            lines.push_back(StreamReadString(stream));
        FStrings = std::move(lines);
        break;
    }
    case vtDWord: FDwordData = static_cast<uint32_t>(StreamReadInteger(stream)); break;
    default: break;
    }
    FNoClobber = StreamReadBoolean(stream);
    SetIsDefault(StreamReadBoolean(stream));
}

TValues::TValues()
{
    auto value = std::make_unique<TValue>(vtString);
    value->SetIsDefault(true);
    Add(std::move(value));
}

bool TValues::Remove(const TValue* value)
{
    if (TOwningList<TValue>::Remove(value))
        return true;
    DebugTrace("Value not in list");
    return false;
}

void TValues::LoadFromStream(TStream& stream)
{
    TValues read;
    read.FItems.clear();
    read.LoadItems(stream, [](TStream& s) {
        auto value = std::make_unique<TValue>(vtString);
        value->LoadFromStream(s);
        return value;
    });
    FItems = std::move(read.FItems);
}
