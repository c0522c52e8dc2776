#include "hexedit/HexBuffer.h"

#include <QDir>
#include <QIODevice>
#include <QTemporaryFile>

#include <algorithm>

namespace {

const char* const ReadFailed = "The data of the hex editor could not be read";
const char* const WriteFailed = "The data of the hex editor could not be written";

}

THexBuffer::THexBuffer() = default;

THexBuffer::~THexBuffer() = default;

QString THexBuffer::FileName() const
{
    return FFile ? FFile->fileName() : QString();
}

void THexBuffer::Drop()
{
    FFile.reset();
    FSize = 0;
    FCache.clear();
    FCacheStart = 0;
    FReads = 0;
}

void THexBuffer::Load(QIODevice& source)
{
    Drop();
    // Created for this user alone (mode 0600) under a name no other file
    // has; QTemporaryFile removes it again however the buffer ends.
    auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/VIHexXXXXXX.vhx"));
    if (!file->open())
        throw EHexEditorError(WriteFailed);
    if (!source.isSequential() && !source.seek(0))
        throw EHexEditorError(ReadFailed);
    QByteArray chunk;
    int64_t size = 0;
    for (;;) {
        chunk = source.read(CacheSize);
        if (chunk.isEmpty())
            break;
        if (file->write(chunk) != chunk.size())
            throw EHexEditorError(WriteFailed);
        size += chunk.size();
    }
    if (!file->flush())
        throw EHexEditorError(WriteFailed);
    FFile = std::move(file);
    FSize = size;
}

bool THexBuffer::Save(QIODevice& target) const
{
    if (!FFile)
        return true;
    try {
        if (!FFile->seek(0))
            return false;
        for (int64_t done = 0; done < FSize;) {
            QByteArray chunk = FFile->read(std::min<int64_t>(CacheSize, FSize - done));
            if (chunk.isEmpty() || target.write(chunk) != chunk.size())
                return false;
            done += chunk.size();
        }
        return true;
    } catch (...) {
        return false;
    }
}

QByteArray THexBuffer::ReadAt(int64_t pos, int64_t count)
{
    ++FReads;
    if (!FFile || !FFile->seek(pos))
        throw EHexEditorError(ReadFailed);
    QByteArray bytes = FFile->read(count);
    if (bytes.size() != count)
        throw EHexEditorError(ReadFailed);
    return bytes;
}

void THexBuffer::WriteAt(int64_t pos, const QByteArray& bytes)
{
    if (!FFile || !FFile->seek(pos) || FFile->write(bytes) != bytes.size())
        throw EHexEditorError(WriteFailed);
}

void THexBuffer::ShowFrom(int64_t first)
{
    if (!FFile || first < 0 || first >= FSize)
        return;
    if (first >= FCacheStart && first < FCacheStart + FCache.size())
        return;
    FCacheStart = std::max<int64_t>(0, first - CacheSize / 2);
    FCache = ReadAt(FCacheStart, std::min(CacheSize, FSize - FCacheStart));
}

uint8_t THexBuffer::Byte(int64_t pos)
{
    if (pos < 0 || pos >= FSize)
        return 0;
    ShowFrom(pos);
    return static_cast<uint8_t>(FCache.at(pos - FCacheStart));
}

void THexBuffer::SetByte(int64_t pos, uint8_t value)
{
    if (pos < 0 || pos >= FSize)
        return;
    WriteAt(pos, QByteArray(1, char(value)));
    if (pos >= FCacheStart && pos < FCacheStart + FCache.size())
        FCache[qsizetype(pos - FCacheStart)] = char(value);
}

void THexBuffer::Insert(int64_t pos, const QByteArray& bytes)
{
    if (!FFile || pos < 0 || pos > FSize || bytes.isEmpty())
        return;
    QByteArray moved = bytes;
    if (pos < FSize)
        moved += ReadAt(pos, FSize - pos);
    WriteAt(pos, moved);
    FSize += bytes.size();
    FCache.clear();
}

void THexBuffer::Remove(int64_t pos, int64_t count)
{
    if (!FFile || pos < 0 || count <= 0 || pos >= FSize)
        return;
    count = std::min(count, FSize - pos);
    if (pos + count < FSize)
        WriteAt(pos, ReadAt(pos + count, FSize - pos - count));
    if (!FFile->resize(FSize - count))
        throw EHexEditorError(WriteFailed);
    FSize -= count;
    FCache.clear();
}
