#pragma once
// Byte streams: the abstract TStream, a growable memory stream and a file stream.

#include <cstdint>
#include <string>
#include <vector>

namespace nyx {

class TComponent;

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// File stream modes.
inline constexpr std::uint16_t fmCreate = 0xFF00;  // create, or truncate an existing file
inline constexpr std::uint16_t fmOpenRead = 0x0000;
inline constexpr std::uint16_t fmOpenWrite = 0x0001;
inline constexpr std::uint16_t fmOpenReadWrite = 0x0002;

class TStream {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    // Reads or writes up to Count bytes; returns how many were transferred.
    virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
    virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
    // Returns the new position; EStreamError for a position before the start.
    virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
    virtual void SetSize(std::int64_t NewSize) = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }
    virtual std::int64_t Size();

    // Exactly Count bytes or EReadError / EWriteError.
    void ReadBuffer(void* Buffer, std::int64_t Count);
    void WriteBuffer(const void* Buffer, std::int64_t Count);
    // Copies Count bytes from Source's position (0: all of Source from its start).
    std::int64_t CopyFrom(TStream& Source, std::int64_t Count);

    // The object stream of Instance with its subtree, signature first.
    void WriteComponent(TComponent* Instance);
    // Reads an object stream into Instance, or into a new component of the stored
    // class (owner none) when Instance is none; returns the component read.
    TComponent* ReadComponent(TComponent* Instance);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;

    std::int64_t Read(void* Buffer, std::int64_t Count) override;
    std::int64_t Write(const void* Buffer, std::int64_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(std::int64_t NewSize) override;
    std::int64_t Size() override { return std::int64_t(FData.size()); }

    const std::uint8_t* Memory() const { return FData.data(); }
    void Clear();
    // Replaces the contents by all of Stream (from its start); position 0 afterwards.
    void LoadFromStream(TStream& Stream);
    void SaveToStream(TStream& Stream) const;
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName) const;

private:
    std::vector<std::uint8_t> FData;
    std::int64_t FPosition = 0;
};

// A file opened or created by name; the constructor raises EFCreateError or
// EFOpenError naming the file and the system's reason.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& FileName, std::uint16_t Mode);
    ~TFileStream() override;

    std::int64_t Read(void* Buffer, std::int64_t Count) override;
    std::int64_t Write(const void* Buffer, std::int64_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(std::int64_t NewSize) override;

    const std::string& FileName() const { return FFileName; }

protected:
    // Takes over a handle opened already; FileName is what error messages name.
    TFileStream(int Handle, const std::string& FileName);
    int Handle() const { return FHandle; }

private:
    [[noreturn]] void IOError(const char* operation) const;
    std::string FFileName;
    int FHandle = -1;
};

// A new version of a file, written under a temporary name in the same folder and renamed
// over the file only by Commit, so that a write that fails half-way never costs the
// previous version. Until Commit succeeds the file keeps its old contents (or stays
// absent); a stream freed without Commit removes its temporary file. The new version
// takes the access rights of the file it replaces; a symbolic link is followed, so the
// file it points to is replaced, not the link.
class TReplacingFileStream : public TFileStream {
public:
    // EFCreateError naming FileName when the folder takes no new file.
    explicit TReplacingFileStream(const std::string& FileName);
    ~TReplacingFileStream() override;

    // Puts the data on disk and the new version in place; EWriteError naming the file
    // when either fails, the old version then being untouched.
    void Commit();

private:
    // The temporary file made for a new version and the file it replaces.
    struct TPlace;
    static TPlace MakePlace(const std::string& FileName);
    TReplacingFileStream(const std::string& FileName, TPlace Place);
    std::string FTemporary;
    std::string FTarget;
    bool FCommitted = false;
};

}  // namespace nyx
