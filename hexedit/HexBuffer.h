#pragma once

// The bytes the hex editor shows: a temporary file of the process's own,
// read through a 64 KiB window, so that the buffer is bounded by the disk
// and not by memory. The file is removed when the buffer goes, also after
// a failed load.

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <stdexcept>

class QIODevice;
class QTemporaryFile;

// The failures of the hex editor, with the text the user sees.
class EHexEditorError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class THexBuffer {
public:
    static constexpr int64_t CacheSize = 64 * 1024;

    THexBuffer();
    ~THexBuffer();
    THexBuffer(const THexBuffer&) = delete;
    THexBuffer& operator=(const THexBuffer&) = delete;

    // Replaces the data with every byte of the source from its start. On
    // failure the buffer holds no data and the error leaves.
    void Load(QIODevice& source);
    // Appends every byte to the target at its position; false on failure.
    bool Save(QIODevice& target) const;

    bool HasData() const { return FFile != nullptr; }
    int64_t Size() const { return FSize; }

    // The byte through the window; the window moves to start 32 KiB before
    // the byte when it lies outside.
    uint8_t Byte(int64_t pos);
    // Makes the window hold the bytes from `first` on (as far as it
    // reaches), moving it only when `first` lies outside.
    void ShowFrom(int64_t first);
    void SetByte(int64_t pos, uint8_t value);
    // Moves the tail with one read and one write.
    void Insert(int64_t pos, const QByteArray& bytes);
    void Remove(int64_t pos, int64_t count);

    // How often the file was read since the data was loaded: the measure
    // of the window's work.
    int64_t ReadCount() const { return FReads; }
    QString FileName() const;

private:
    QByteArray ReadAt(int64_t pos, int64_t count);
    void WriteAt(int64_t pos, const QByteArray& bytes);
    void Drop();

    std::unique_ptr<QTemporaryFile> FFile;
    int64_t FSize = 0;
    QByteArray FCache;
    int64_t FCacheStart = 0;
    int64_t FReads = 0;
};
