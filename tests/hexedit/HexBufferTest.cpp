// The hex editor's bytes in their temporary file: edits against a plain
// vector of the same edits, the read window, and the file's lifetime.

#include "hexedit/HexBuffer.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>

#include <random>
#include <vector>

namespace {

QByteArray Bytes(const std::vector<uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

void Load(THexBuffer& buffer, QByteArray bytes)
{
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    buffer.Load(stream);
}

QByteArray Saved(const THexBuffer& buffer)
{
    QByteArray bytes;
    QBuffer stream(&bytes);
    stream.open(QIODevice::WriteOnly);
    EXPECT_TRUE(buffer.Save(stream));
    return bytes;
}

TEST(HexBufferTest, RandomEditsOfAMegabyteMatchAPlainVector)
{
    std::mt19937 random(17);
    std::vector<uint8_t> model(1 << 20);
    for (uint8_t& byte : model)
        byte = uint8_t(random());
    THexBuffer buffer;
    Load(buffer, Bytes(model));
    for (int edit = 0; edit < 3000; ++edit) {
        int64_t size = int64_t(model.size());
        // Start, end and middle get their share of the edits.
        int where = edit % 3;
        int64_t pos = where == 0 ? 0 : where == 1 ? size : int64_t(random() % uint32_t(size + 1));
        switch (random() % 3) {
        case 0: {
            std::vector<uint8_t> inserted(1 + random() % 5, uint8_t(edit));
            buffer.Insert(pos, Bytes(inserted));
            model.insert(model.begin() + pos, inserted.begin(), inserted.end());
            break;
        }
        case 1: {
            if (pos >= size)
                pos = size - 1;
            int64_t count = std::min<int64_t>(1 + random() % 5, size - pos);
            buffer.Remove(pos, count);
            model.erase(model.begin() + pos, model.begin() + pos + count);
            break;
        }
        default:
            if (pos >= size)
                pos = size - 1;
            buffer.SetByte(pos, uint8_t(edit * 7));
            model[size_t(pos)] = uint8_t(edit * 7);
        }
        ASSERT_EQ(buffer.Size(), int64_t(model.size()));
        int64_t probe = int64_t(random() % model.size());
        ASSERT_EQ(buffer.Byte(probe), model[size_t(probe)]) << "edit " << edit << " at " << probe;
    }
    EXPECT_EQ(Saved(buffer), Bytes(model));
}

TEST(HexBufferTest, InsertAndRemoveMoveTheTailWithOneRead)
{
    THexBuffer buffer;
    Load(buffer, QByteArray(1 << 20, 'x'));
    int64_t before = buffer.ReadCount();
    buffer.Insert(10, QByteArray("ab"));
    EXPECT_EQ(buffer.ReadCount(), before + 1);
    buffer.Remove(10, 2);
    EXPECT_EQ(buffer.ReadCount(), before + 2);
    // The end needs no read at all.
    buffer.Insert(buffer.Size(), QByteArray("z"));
    EXPECT_EQ(buffer.ReadCount(), before + 2);
}

TEST(HexBufferTest, WindowIsReadOnceForBytesNearEachOther)
{
    THexBuffer buffer;
    Load(buffer, QByteArray(1 << 20, 'x'));
    buffer.Byte(500000);
    int64_t reads = buffer.ReadCount();
    for (int64_t pos = 500000 - 32 * 1024; pos < 500000 + 32 * 1024; pos += 97)
        buffer.Byte(pos);
    EXPECT_EQ(buffer.ReadCount(), reads);
    buffer.Byte(0);
    EXPECT_EQ(buffer.ReadCount(), reads + 1);
}

TEST(HexBufferTest, TemporaryFileIsPrivateAndGoesWithTheBuffer)
{
    QString name;
    {
        THexBuffer buffer;
        EXPECT_FALSE(buffer.HasData());
        Load(buffer, QByteArray("abc"));
        name = buffer.FileName();
        ASSERT_TRUE(QFile::exists(name));
        EXPECT_EQ(QFile::permissions(name) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther), 0);
    }
    EXPECT_FALSE(QFile::exists(name));
}

TEST(HexBufferTest, FailedLoadLeavesNoDataAndNoFile)
{
    THexBuffer buffer;
    Load(buffer, QByteArray("abc"));
    QString old = buffer.FileName();
    QBuffer closed;
    EXPECT_THROW(buffer.Load(closed), EHexEditorError);
    EXPECT_FALSE(buffer.HasData());
    EXPECT_EQ(buffer.Size(), 0);
    EXPECT_FALSE(QFile::exists(old));
}

TEST(HexBufferTest, LoadStartsAtTheStreamsBeginningAndSaveAppends)
{
    QByteArray bytes("0123456789");
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    stream.seek(5);
    THexBuffer buffer;
    buffer.Load(stream);
    EXPECT_EQ(buffer.Size(), 10);
    QByteArray out("head");
    QBuffer target(&out);
    target.open(QIODevice::WriteOnly | QIODevice::Append);
    EXPECT_TRUE(buffer.Save(target));
    EXPECT_EQ(out, QByteArray("head0123456789"));
}

}
