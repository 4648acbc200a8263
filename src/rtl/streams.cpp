#include "rtl/streams.h"

#include "rtl/filer.h"
#include "rtl/sysutils.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace nyx {

// --- TStream -------------------------------------------------------------------------

std::int64_t TStream::Size() {
    const std::int64_t pos = Seek(0, TSeekOrigin::soCurrent);
    const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
    if (Count < 0 || Read(Buffer, Count) != Count)
        throw EReadError("TStream.ReadBuffer: the stream ended before " + std::to_string(Count) +
                         " more bytes could be read; the data is truncated");
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
    if (Count < 0 || Write(Buffer, Count) != Count)
        throw EWriteError("TStream.WriteBuffer: only part of " + std::to_string(Count) +
                          " bytes could be written; check the free space of the target");
}

std::int64_t TStream::CopyFrom(TStream& Source, std::int64_t Count) {
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.Size();
    }
    std::vector<std::uint8_t> chunk(std::size_t(std::min<std::int64_t>(Count, 1 << 16)));
    std::int64_t left = Count;
    while (left > 0) {
        const std::int64_t n = std::min<std::int64_t>(left, std::int64_t(chunk.size()));
        Source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        left -= n;
    }
    return Count;
}

void TStream::WriteComponent(TComponent* Instance) {
    TWriter writer(*this, 4096);
    writer.WriteRootComponent(Instance);
}

TComponent* TStream::ReadComponent(TComponent* Instance) {
    TReader reader(*this, 4096);
    return reader.ReadRootComponent(Instance);
}

// --- TMemoryStream -------------------------------------------------------------------

std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count) {
    const std::int64_t size = std::int64_t(FData.size());
    if (Count <= 0 || FPosition >= size)
        return 0;
    const std::int64_t n = std::min(Count, size - FPosition);
    std::memcpy(Buffer, FData.data() + FPosition, std::size_t(n));
    FPosition += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
    if (Count <= 0)
        return 0;
    const std::int64_t end = FPosition + Count;
    if (end > std::int64_t(FData.size())) {
        // Amortised growth: a writer appends in small pieces.
        if (std::size_t(end) > FData.capacity())
            FData.reserve(std::max(std::size_t(end), FData.capacity() * 2));
        FData.resize(std::size_t(end));
    }
    std::memcpy(FData.data() + FPosition, Buffer, std::size_t(Count));
    FPosition = end;
    return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
    std::int64_t base = 0;
    if (Origin == TSeekOrigin::soCurrent)
        base = FPosition;
    else if (Origin == TSeekOrigin::soEnd)
        base = std::int64_t(FData.size());
    const std::int64_t pos = base + Offset;
    if (pos < 0)
        throw EStreamError("TMemoryStream.Seek: position " + std::to_string(pos) +
                           " lies before the start of the stream");
    FPosition = pos;
    return pos;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
    if (NewSize < 0)
        throw EStreamError("TMemoryStream.SetSize: a size cannot be negative");
    FData.resize(std::size_t(NewSize));
    FPosition = std::min(FPosition, NewSize);
}

void TMemoryStream::Clear() {
    FData.clear();
    FData.shrink_to_fit();
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
    Stream.SetPosition(0);
    const std::int64_t size = Stream.Size();
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    Stream.ReadBuffer(data.data(), size);
    FData.swap(data);
    FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream& Stream) const {
    Stream.WriteBuffer(FData.data(), std::int64_t(FData.size()));
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
    TFileStream file(FileName, fmOpenRead);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& FileName) const {
    TFileStream file(FileName, fmCreate);
    SaveToStream(file);
}

// --- TFileStream ---------------------------------------------------------------------

TFileStream::TFileStream(const std::string& FileName, std::uint16_t Mode) : FFileName(FileName) {
    if (Mode == fmCreate) {
        FHandle = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0)
            throw EFCreateError("TFileStream: cannot create file \"" + FileName +
                                "\": " + std::strerror(errno) +
                                "; check that its folder exists and is writable");
        return;
    }
    int flags = O_RDONLY;
    if ((Mode & 3) == fmOpenWrite)
        flags = O_WRONLY;
    else if ((Mode & 3) == fmOpenReadWrite)
        flags = O_RDWR;
    FHandle = ::open(FileName.c_str(), flags | O_CLOEXEC);
    int err = errno;
    if (FHandle >= 0) {
        struct stat st {};
        if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(FHandle);
            FHandle = -1;
            err = EISDIR;
        }
    }
    if (FHandle < 0)
        throw EFOpenError("TFileStream: cannot open file \"" + FileName +
                          "\": " + std::strerror(err) + "; check the name and the access rights");
}

TFileStream::TFileStream(int Handle, const std::string& FileName)
    : FFileName(FileName), FHandle(Handle) {}

TFileStream::~TFileStream() {
    if (FHandle >= 0)
        ::close(FHandle);
}

void TFileStream::IOError(const char* operation) const {
    throw EInOutError(std::string("TFileStream.") + operation + ": \"" + FFileName +
                      "\": " + std::strerror(errno));
}

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count) {
    std::int64_t done = 0;
    auto* p = static_cast<char*>(Buffer);
    while (done < Count) {
        const ssize_t n = ::read(FHandle, p + done, std::size_t(Count - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            IOError("Read");
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count) {
    std::int64_t done = 0;
    const auto* p = static_cast<const char*>(Buffer);
    while (done < Count) {
        const ssize_t n = ::write(FHandle, p + done, std::size_t(Count - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            IOError("Write");
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
    const int whence = Origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : Origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    const off_t pos = ::lseek(FHandle, off_t(Offset), whence);
    if (pos < 0)
        IOError("Seek");
    return std::int64_t(pos);
}

void TFileStream::SetSize(std::int64_t NewSize) {
    if (::ftruncate(FHandle, off_t(NewSize)) != 0)
        IOError("SetSize");
    if (Position() > NewSize)
        Seek(NewSize, TSeekOrigin::soBeginning);
}

// --- TReplacingFileStream ------------------------------------------------------------

struct TReplacingFileStream::TPlace {
    int Handle;
    std::string Temporary;
    std::string Target;
};

// A new, hidden file beside the file that FileName names, under a name nobody else is
// using. A symbolic link is followed to the file it points to, so that the link survives.
TReplacingFileStream::TPlace TReplacingFileStream::MakePlace(const std::string& FileName) {
    std::string target = FileName;
    struct stat st {};
    if (::lstat(FileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::error_code ec;
        const std::filesystem::path real = std::filesystem::weakly_canonical(FileName, ec);
        if (!ec)
            target = real.string();
    }
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        throw EFCreateError("TFileStream: cannot create file \"" + FileName +
                            "\": it is a folder; give the name of a file");
    const std::filesystem::path path(target);
    std::string hidden(1, '.');
    hidden += path.filename().string();
    hidden += '.';
    std::random_device entropy;
    int err = EEXIST;
    for (int attempt = 0; attempt < 100 && err == EEXIST; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", unsigned(entropy()));
        std::string name = (path.parent_path() / (hidden + suffix + ".tmp")).string();
        const int handle = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (handle >= 0) {
            if (exists)
                (void)::fchmod(handle, st.st_mode & 07777);
            return {handle, std::move(name), std::move(target)};
        }
        err = errno;
    }
    throw EFCreateError("TFileStream: cannot create file \"" + FileName + "\": " +
                        std::strerror(err) + "; check that its folder exists and is writable");
}

TReplacingFileStream::TReplacingFileStream(const std::string& FileName)
    : TReplacingFileStream(FileName, MakePlace(FileName)) {}

TReplacingFileStream::TReplacingFileStream(const std::string& FileName, TPlace Place)
    : TFileStream(Place.Handle, FileName), FTemporary(std::move(Place.Temporary)),
      FTarget(std::move(Place.Target)) {}

TReplacingFileStream::~TReplacingFileStream() {
    if (!FCommitted)
        ::unlink(FTemporary.c_str());
}

void TReplacingFileStream::Commit() {
    if (FCommitted)
        return;
    const char* failed = nullptr;
    if (::fsync(Handle()) != 0)
        failed = "cannot put the data on disk";
    else if (::rename(FTemporary.c_str(), FTarget.c_str()) != 0)
        failed = "cannot put the new version in place";
    if (failed)
        throw EWriteError("TReplacingFileStream.Commit: \"" + FileName() + "\": " + failed + ": " +
                          std::strerror(errno) + "; the previous version is unchanged");
    FCommitted = true;
}

}  // namespace nyx
