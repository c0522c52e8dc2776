#include "formats/CabReader.h"

#include "common/Exception.h"

#include <mspack.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <map>

namespace {

// libmspack reads and writes through this I/O layer, so that a CAB file
// can sit in memory and a member can stream into a callback. Names that
// start with a control character stand for these; every other name is a
// host file. The handles are plain structs: libmspack is C, and nothing may
// throw through it, so a sink's exception is kept and rethrown afterwards.
const char* const MemoryName = "\x01memory";
const char* const SinkName = "\x01sink";

struct TMsFile {
    FILE* FHost = nullptr;
    const std::vector<uint8_t>* FBytes = nullptr;
    size_t FPos = 0;
    const TCabSink* FSink = nullptr;
    std::exception_ptr* FSinkError = nullptr;
};

struct TMsSystem : mspack_system {
    const std::vector<uint8_t>* FBytes = nullptr;
    const TCabSink* FSink = nullptr;
    std::exception_ptr FSinkError;
};

mspack_file* MsOpen(mspack_system* self, const char* name, int mode)
{
    auto* sys = static_cast<TMsSystem*>(self);
    auto* f = new TMsFile;
    if (std::strcmp(name, MemoryName) == 0 && mode == MSPACK_SYS_OPEN_READ && sys->FBytes)
        f->FBytes = sys->FBytes;
    else if (std::strcmp(name, SinkName) == 0 && mode == MSPACK_SYS_OPEN_WRITE && sys->FSink) {
        f->FSink = sys->FSink;
        f->FSinkError = &sys->FSinkError;
    } else if (name[0] != '\x01' && (mode == MSPACK_SYS_OPEN_READ || mode == MSPACK_SYS_OPEN_WRITE))
        f->FHost = std::fopen(name, mode == MSPACK_SYS_OPEN_READ ? "rb" : "wb");
    if (!f->FBytes && !f->FSink && !f->FHost) {
        delete f;
        return nullptr;
    }
    return reinterpret_cast<mspack_file*>(f);
}

void MsClose(mspack_file* file)
{
    auto* f = reinterpret_cast<TMsFile*>(file);
    if (f->FHost)
        std::fclose(f->FHost);
    delete f;
}

int MsRead(mspack_file* file, void* buffer, int bytes)
{
    auto* f = reinterpret_cast<TMsFile*>(file);
    if (bytes < 0)
        return -1;
    if (f->FHost) {
        size_t n = std::fread(buffer, 1, size_t(bytes), f->FHost);
        return std::ferror(f->FHost) ? -1 : int(n);
    }
    if (!f->FBytes)
        return -1;
    size_t n = f->FPos < f->FBytes->size() ? std::min(size_t(bytes), f->FBytes->size() - f->FPos) : 0;
    if (n > 0) // an empty CAB has no data() to copy from
        std::memcpy(buffer, f->FBytes->data() + f->FPos, n);
    f->FPos += n;
    return int(n);
}

int MsWrite(mspack_file* file, void* buffer, int bytes)
{
    auto* f = reinterpret_cast<TMsFile*>(file);
    if (bytes < 0)
        return -1;
    if (f->FHost)
        return std::fwrite(buffer, 1, size_t(bytes), f->FHost) == size_t(bytes) ? bytes : -1;
    if (!f->FSink)
        return -1;
    try {
        (*f->FSink)(static_cast<const uint8_t*>(buffer), size_t(bytes));
    } catch (...) {
        *f->FSinkError = std::current_exception();
        return -1;
    }
    return bytes;
}

int MsSeek(mspack_file* file, off_t offset, int mode)
{
    auto* f = reinterpret_cast<TMsFile*>(file);
    if (f->FHost)
        return fseeko(f->FHost, offset,
                      mode == MSPACK_SYS_SEEK_START ? SEEK_SET
                      : mode == MSPACK_SYS_SEEK_CUR ? SEEK_CUR
                                                    : SEEK_END);
    if (!f->FBytes)
        return -1;
    off_t base = mode == MSPACK_SYS_SEEK_START ? 0
                 : mode == MSPACK_SYS_SEEK_CUR ? off_t(f->FPos)
                                               : off_t(f->FBytes->size());
    if (offset < -base || base + offset > off_t(f->FBytes->size()))
        return -1;
    f->FPos = size_t(base + offset);
    return 0;
}

off_t MsTell(mspack_file* file)
{
    auto* f = reinterpret_cast<TMsFile*>(file);
    return f->FHost ? ftello(f->FHost) : off_t(f->FPos);
}

// The library's warnings are not shown: every failure also comes back as an
// error code, which the reader turns into its own message.
void MsMessage(mspack_file*, const char*, ...)
{
}

void* MsAlloc(mspack_system*, size_t bytes)
{
    return std::malloc(bytes);
}

void MsFree(void* p)
{
    std::free(p);
}

void MsCopy(void* src, void* dest, size_t bytes)
{
    std::memmove(dest, src, bytes);
}

// ".000" .. ".999" at the end of a member name, else -1.
int MemberNumber(const std::string& name)
{
    size_t n = name.size();
    if (n < 4 || name[n - 4] != '.')
        return -1;
    int number = 0;
    for (size_t i = n - 3; i < n; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return -1;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Folder(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ErrorText(int code)
{
    switch (code) {
    case MSPACK_ERR_OPEN: return std::string("cannot be opened (") + std::strerror(errno) + ")";
    case MSPACK_ERR_READ: return "is cut short";
    case MSPACK_ERR_SEEK: return "is cut short (a header points past its end)";
    case MSPACK_ERR_NOMEMORY: return "needs more memory than there is";
    case MSPACK_ERR_SIGNATURE: return "is not a cabinet file (no MSCF signature)";
    case MSPACK_ERR_DATAFORMAT: return "is damaged (its cabinet headers do not fit together)";
    case MSPACK_ERR_CHECKSUM: return "is damaged (a data block fails its checksum)";
    case MSPACK_ERR_DECRUNCH: return "is damaged (its compressed data cannot be unpacked)";
    default: return "cannot be read (error " + std::to_string(code) + ")";
    }
}

// How long a host file is, or -1.
long long HostFileSize(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return -1;
    long long size = fseeko(f, 0, SEEK_END) == 0 ? static_cast<long long>(ftello(f)) : -1;
    std::fclose(f);
    return size;
}

} // namespace

struct TCabReader::TImpl {
    std::string FName; // what messages call the CAB file
    std::string FPath; // the host path, or MemoryName
    std::vector<uint8_t> FBytes;
    TMsSystem FSys;
    mscab_decompressor* FCab = nullptr;
    // The first cabinet; closing it frees the whole set appended to it.
    mscabd_cabinet* FFirst = nullptr;
    // The host paths of the set's cabinets: libmspack keeps pointers to them.
    std::deque<std::string> FPartPaths;
    std::vector<TCabMember> FMembers;
    std::vector<mscabd_file*> FMemberFiles;
    std::map<int, size_t> FByNumber;
    std::unique_ptr<TSetupContents> FSetup;

    ~TImpl()
    {
        if (FCab) {
            if (FFirst)
                FCab->close(FCab, FFirst);
            mspack_destroy_cab_decompressor(FCab);
        }
    }

    void Open();
    mscabd_cabinet* OpenPart(const std::string& path, const std::string& name);
    void FollowSet();
    void ListMembers();
    void Extract(const TCabMember& member, const char* target, const TCabSink* sink);
};

void TCabReader::TImpl::Open()
{
    FSys.open = MsOpen;
    FSys.close = MsClose;
    FSys.read = MsRead;
    FSys.write = MsWrite;
    FSys.seek = MsSeek;
    FSys.tell = MsTell;
    FSys.message = MsMessage;
    FSys.alloc = MsAlloc;
    FSys.free = MsFree;
    FSys.copy = MsCopy;
    FSys.null_ptr = nullptr;
    FSys.FBytes = &FBytes;
    // The seek and tell callbacks pass off_t: the library must agree on its size.
    int selfTest = MSPACK_ERR_OK;
    MSPACK_SYS_SELFTEST(selfTest);
    if (selfTest != MSPACK_ERR_OK)
        throw Exception(FName + " cannot be read: the cabinet library was built for another file offset size");
    FCab = mspack_create_cab_decompressor(&FSys);
    if (!FCab)
        throw Exception(FName + " cannot be read: the cabinet reader cannot start");
    mscabd_cabinet* first = FFirst = OpenPart(FPath, FName);
    long long size = FPath == MemoryName ? static_cast<long long>(FBytes.size()) : HostFileSize(FPath);
    if (size >= 0 && first->length > size)
        throw Exception(FName + " is cut short: its header gives " + std::to_string(first->length) +
                        " bytes, the file has " + std::to_string(size));
    if (first->flags & MSCAB_HDR_PREVCAB)
        throw Exception(FName + " is not the first cabinet of its set: it continues " +
                        std::string(first->prevname ? first->prevname : "another one") + "; open that one");
    FollowSet();
    ListMembers();
}

mscabd_cabinet* TCabReader::TImpl::OpenPart(const std::string& path, const std::string& name)
{
    FPartPaths.push_back(path);
    mscabd_cabinet* cab = FCab->open(FCab, FPartPaths.back().c_str());
    if (!cab)
        throw Exception(name + " " + ErrorText(FCab->last_error(FCab)));
    return cab;
}

// A set's next cabinets lie in the same folder, named by the one before.
void TCabReader::TImpl::FollowSet()
{
    constexpr size_t MaxParts = 100;
    for (mscabd_cabinet* cab = FFirst; cab->flags & MSCAB_HDR_NEXTCAB;) {
        std::string next = cab->nextname ? cab->nextname : "";
        if (FPath == MemoryName || next.empty() || next.find('/') != std::string::npos)
            throw Exception(FName + " continues in another cabinet (\"" + next + "\"), which is not at hand");
        if (FPartPaths.size() >= MaxParts)
            throw Exception(FName + " is one of a set of more than " + std::to_string(MaxParts) + " cabinets");
        mscabd_cabinet* part = OpenPart(Folder(FPath) + next, next);
        if (FCab->append(FCab, cab, part) != MSPACK_ERR_OK) {
            // A cabinet that did not join the set is closed on its own.
            int error = FCab->last_error(FCab);
            FCab->close(FCab, part);
            throw Exception(next + " does not continue " + FName + ": it " + ErrorText(error));
        }
        cab = part;
    }
}

void TCabReader::TImpl::ListMembers()
{
    for (mscabd_file* f = FFirst->files; f; f = f->next) {
        TCabMember m;
        m.FName = f->filename ? f->filename : "";
        m.FSize = f->length;
        m.FAttributes = uint16_t(f->attribs);
        m.FNumber = MemberNumber(m.FName);
        m.FCompression = f->folder ? MSCABD_COMP_METHOD(f->folder->comp_type) : 0;
        if (m.FNumber >= 0) {
            auto [it, added] = FByNumber.emplace(m.FNumber, FMembers.size());
            if (!added)
                throw Exception(FName + " holds two members numbered ." + m.FName.substr(m.FName.size() - 3) + " (" +
                                FMembers[it->second].FName + " and " + m.FName + ")");
        }
        FMembers.push_back(std::move(m));
        FMemberFiles.push_back(f);
    }
}

void TCabReader::TImpl::Extract(const TCabMember& member, const char* target, const TCabSink* sink)
{
    size_t index = size_t(&member - FMembers.data());
    if (index >= FMembers.size())
        throw Exception("not a member of " + FName + ": " + member.FName);
    FSys.FSink = sink;
    FSys.FSinkError = nullptr;
    int error = FCab->extract(FCab, FMemberFiles[index], target);
    FSys.FSink = nullptr;
    if (FSys.FSinkError)
        std::rethrow_exception(FSys.FSinkError);
    if (error == MSPACK_ERR_OPEN || error == MSPACK_ERR_WRITE)
        throw Exception(std::string("cannot write ") + target + " (" + std::strerror(errno) + ")");
    if (error != MSPACK_ERR_OK)
        throw Exception(FName + " " + ErrorText(error) + " in member " + member.FName);
}

TCabReader::TCabReader(const std::string& path) : FImpl(std::make_unique<TImpl>())
{
    FImpl->FName = BaseName(path);
    FImpl->FPath = path;
    FImpl->Open();
}

TCabReader::TCabReader(std::vector<uint8_t> bytes, const std::string& name) : FImpl(std::make_unique<TImpl>())
{
    FImpl->FName = name;
    FImpl->FPath = MemoryName;
    FImpl->FBytes = std::move(bytes);
    FImpl->Open();
}

TCabReader::~TCabReader() = default;

const std::string& TCabReader::Name() const
{
    return FImpl->FName;
}

const std::vector<TCabMember>& TCabReader::Members() const
{
    return FImpl->FMembers;
}

const TCabMember* TCabReader::Member(int number) const
{
    auto it = FImpl->FByNumber.find(number);
    return it == FImpl->FByNumber.end() ? nullptr : &FImpl->FMembers[it->second];
}

const TSetupContents& TCabReader::Setup() const
{
    if (!FImpl->FSetup) {
        const TCabMember* m = Member(0);
        if (!m)
            throw Exception(Name() + " holds no setup file (no member numbered .000): it is no device CAB file");
        if (m->FSize > MaxSetupFileSize)
            throw Exception("the setup file " + m->FName + " in " + Name() + " is too large (" +
                            std::to_string(m->FSize) + " bytes, at most " + std::to_string(MaxSetupFileSize) + ")");
        std::vector<uint8_t> bytes = ExtractToMemory(*m, MaxSetupFileSize);
        FImpl->FSetup = std::make_unique<TSetupContents>(ReadSetupContents(bytes, m->FName + " in " + Name()));
    }
    return *FImpl->FSetup;
}

std::vector<TCabFile> TCabReader::Files() const
{
    const TSetupContents& setup = Setup();
    std::vector<TCabFile> files;
    for (size_t i = 0; i < setup.FSetup.FFiles.size(); ++i) {
        uint16_t id = setup.FFileIds[i];
        const TSetupFile& file = setup.FSetup.FFiles[i];
        const TCabMember* member = id <= 999 ? Member(id) : nullptr;
        if (!member || id == 999)
            throw Exception(Name() + " lacks the member numbered " + std::to_string(id) + ", which carries file \"" +
                            file.FName + "\" of its setup file");
        files.push_back(TCabFile{id, &file, member});
    }
    return files;
}

const TCabMember* TCabReader::SetupDll() const
{
    return Member(999);
}

std::vector<const TCabMember*> TCabReader::OtherMembers() const
{
    const TSetupContents& setup = Setup();
    std::vector<const TCabMember*> others;
    for (const TCabMember& m : Members()) {
        bool named = m.FNumber == 0 || m.FNumber == 999;
        for (size_t i = 0; i < setup.FFileIds.size() && !named; ++i)
            named = setup.FFileIds[i] == m.FNumber;
        if (!named)
            others.push_back(&m);
    }
    return others;
}

void TCabReader::Extract(const TCabMember& member, const TCabSink& sink) const
{
    FImpl->Extract(member, SinkName, &sink);
}

void TCabReader::ExtractToFile(const TCabMember& member, const std::string& path) const
{
    if (path.empty() || path[0] == '\x01')
        throw Exception("cannot write \"" + path + "\"");
    FImpl->Extract(member, path.c_str(), nullptr);
}

std::vector<uint8_t> TCabReader::ExtractToMemory(const TCabMember& member, size_t limit) const
{
    auto tooLarge = [&] {
        return Exception("member " + member.FName + " of " + Name() + " is too large to read into memory (" +
                         std::to_string(member.FSize) + " bytes, at most " + std::to_string(limit) + ")");
    };
    if (member.FSize > limit)
        throw tooLarge();
    std::vector<uint8_t> bytes;
    Extract(member, [&](const uint8_t* data, size_t size) {
        if (size > limit - bytes.size())
            throw tooLarge();
        bytes.insert(bytes.end(), data, data + size);
    });
    return bytes;
}

void TCabReader::Verify() const
{
    for (const TCabMember& m : Members())
        Extract(m, [](const uint8_t*, size_t) {});
}
