#include "app/ExportRecord.h"

#include "app/FileHandle.h"
#include "engine/WholeFile.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvik {
namespace {

constexpr std::string_view FormatName = "zarvik-export-record";
constexpr int FormatVersion = 1;
// A record is a few hundred bytes a file; anything far larger is not one.
constexpr off_t LargestRecord = 256 * 1024 * 1024;

std::int64_t MtimeNs(const struct stat &info)
{
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

// A name the export can have written: relative, without empty, hidden, "." or ".." parts.
bool IsExportName(const std::string &name)
{
    if (name.empty() || name.find('\0') != std::string::npos)
        return false;
    std::size_t from = 0;
    for (;;) {
        const std::size_t slash = name.find('/', from);
        const std::string_view part = std::string_view(name).substr(from, slash - from);
        if (part.empty() || part.front() == '.')
            return false;
        if (slash == std::string::npos)
            return true;
        from = slash + 1;
    }
}

bool IsHexDigest(const std::string &text)
{
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

bool IsDay(const std::string &text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

// The record file's bytes; nothing when there is no regular file of that name.
std::optional<std::string> ReadRecordBytes(int folder)
{
    const std::string name(ExportRecordName);
    TFileHandle file(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info;
    if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > LargestRecord)
        return std::nullopt;
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return bytes;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string Hex(const unsigned char *digest, unsigned int length)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        out += Digits[digest[i] >> 4];
        out += Digits[digest[i] & 15];
    }
    return out;
}

// A SHA-256 computation; throws std::bad_alloc when the library cannot make one.
class TSha256
{
public:
    TSha256()
        : FContext(EVP_MD_CTX_new())
    {
        if (!FContext || EVP_DigestInit_ex(FContext, EVP_sha256(), nullptr) != 1)
            Fail();
    }
    ~TSha256() { EVP_MD_CTX_free(FContext); }
    TSha256(const TSha256 &) = delete;
    TSha256 &operator=(const TSha256 &) = delete;

    void Add(const void *data, std::size_t size)
    {
        if (size > 0 && EVP_DigestUpdate(FContext, data, size) != 1)
            Fail();
    }
    void Add(std::string_view bytes) { Add(bytes.data(), bytes.size()); }
    void AddLength(std::size_t length)
    {
        unsigned char bytes[8];
        for (int i = 0; i < 8; ++i)
            bytes[i] = static_cast<unsigned char>(static_cast<std::uint64_t>(length) >> (8 * i));
        Add(bytes, sizeof bytes);
    }
    // The digest, 32 bytes, into `out`.
    void Finish(unsigned char *out)
    {
        unsigned int length = 0;
        if (EVP_DigestFinal_ex(FContext, out, &length) != 1 || length != 32)
            Fail();
    }
    std::string FinishHex()
    {
        unsigned char digest[32];
        Finish(digest);
        return Hex(digest, sizeof digest);
    }

private:
    [[noreturn]] static void Fail() { throw std::bad_alloc(); }
    EVP_MD_CTX *FContext;
};

// Pieces at least this long are hashed on their own, once per export.
constexpr std::size_t LargePiece = 16 * 1024;
constexpr std::size_t LargePieceSlots = 16;

} // namespace

std::string Sha256Hex(std::span<const std::string_view> pieces)
{
    TSha256 sha;
    for (const std::string_view piece : pieces)
        sha.Add(piece);
    return sha.FinishHex();
}

const unsigned char *TPiecesKey::LargeDigest(std::string_view piece)
{
    for (const TLargePiece &known : FLarge) {
        if (known.Data == piece.data() && known.Copy == piece)
            return known.Digest;
    }
    TLargePiece *slot;
    if (FLarge.size() < LargePieceSlots) {
        slot = &FLarge.emplace_back();
    } else {
        slot = &FLarge[FNextSlot];
        FNextSlot = (FNextSlot + 1) % LargePieceSlots;
    }
    slot->Data = piece.data();
    slot->Copy.assign(piece);
    TSha256 sha;
    sha.Add(piece);
    sha.Finish(slot->Digest);
    return slot->Digest;
}

std::string TPiecesKey::Of(std::span<const std::string_view> pieces)
{
    TSha256 sha;
    for (const std::string_view piece : pieces) {
        if (piece.empty())
            continue;
        sha.AddLength(piece.size());
        if (piece.size() >= LargePiece)
            sha.Add(LargeDigest(piece), 32);
        else
            sha.Add(piece);
    }
    return sha.FinishHex();
}

bool IsAsRecorded(const TExportedFile &file, const struct stat &info)
{
    return S_ISREG(info.st_mode) && file.Size == static_cast<std::uint64_t>(info.st_size) &&
           file.MtimeNs == MtimeNs(info);
}

std::string TodayUtc()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::gmtime_r(&now, &parts);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &parts);
    return text;
}

std::string TExportRecord::Json() const
{
    nlohmann::ordered_json files = nlohmann::ordered_json::object();
    for (const auto &[name, file] : Files) {
        files[name] = {
            {"size", file.Size},        {"sha256", file.Sha256},   {"pieces", file.Pieces},
            {"mtime_ns", file.MtimeNs}, {"changed", file.Changed},
        };
    }
    const nlohmann::ordered_json root = {
        {"format", FormatName},
        {"version", FormatVersion},
        {"files", std::move(files)},
    };
    return root.dump(1, '\t', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::optional<TExportRecord> TExportRecord::Parse(std::string_view json)
{
    const nlohmann::json root = nlohmann::json::parse(json, nullptr, false);
    if (root.is_discarded() || !root.is_object())
        return std::nullopt;
    const auto format = root.find("format");
    const auto version = root.find("version");
    const auto files = root.find("files");
    if (format == root.end() || *format != FormatName || version == root.end() ||
        !version->is_number_integer() || *version != FormatVersion || files == root.end() ||
        !files->is_object())
        return std::nullopt;
    TExportRecord record;
    for (const auto &[name, value] : files->items()) {
        if (!value.is_object())
            return std::nullopt;
        const auto size = value.find("size");
        const auto sha = value.find("sha256");
        const auto mtime = value.find("mtime_ns");
        const auto changed = value.find("changed");
        const auto pieces = value.find("pieces");
        if (!IsExportName(name) || size == value.end() || !size->is_number_unsigned() || sha == value.end() ||
            !sha->is_string() || mtime == value.end() || !mtime->is_number_integer() ||
            changed == value.end() || !changed->is_string() || pieces == value.end() || !pieces->is_string())
            return std::nullopt;
        TExportedFile file{size->get<std::uint64_t>(), sha->get<std::string>(), pieces->get<std::string>(),
                           mtime->get<std::int64_t>(), changed->get<std::string>()};
        if (!IsHexDigest(file.Sha256) || !IsHexDigest(file.Pieces) || !IsDay(file.Changed))
            return std::nullopt;
        record.Files.emplace(name, std::move(file));
    }
    return record;
}

std::optional<TExportRecord> TExportRecord::Load(const std::string &folder)
{
    if (folder.find('\0') != std::string::npos)
        return std::nullopt;
    TFileHandle handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.Get() < 0)
        return std::nullopt;
    const std::optional<std::string> bytes = ReadRecordBytes(handle.Get());
    return bytes ? Parse(*bytes) : std::nullopt;
}

std::optional<std::string> ExportRecordChangedDate(const std::string &folder, const std::string &fileName)
{
    const std::optional<TExportRecord> record = TExportRecord::Load(folder);
    if (!record)
        return std::nullopt;
    const auto found = record->Files.find(fileName);
    if (found == record->Files.end())
        return std::nullopt;
    return found->second.Changed;
}

void ForgetExportedFiles(const std::string &folder, const std::vector<std::string> &names)
{
    if (folder.find('\0') != std::string::npos)
        return;
    TFileHandle handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.Get() < 0)
        return;
    const std::optional<std::string> bytes = ReadRecordBytes(handle.Get());
    std::optional<TExportRecord> record = bytes ? TExportRecord::Parse(*bytes) : std::nullopt;
    if (!record)
        return;
    for (const std::string &name : names)
        record->Files.erase(name);
    try {
        TWholeFile file(handle.Get(), folder + "/" + std::string(ExportRecordName));
        file.Write(record->Json());
        file.Commit(std::string(ExportRecordName));
    } catch (const std::exception &) {
        // Documented: the next export drops the entries of files that are gone.
    }
}

TExportRecordLedger::TExportRecordLedger(bool full, std::function<std::string()> today)
    : FFull(full)
    , FToday(std::move(today))
{
}

void TExportRecordLedger::Begin(int folder, const std::string &path)
{
    FFolderPath = path;
    FTouched = false;
    FNew.Files.clear();
    FPendingName.clear();
    const std::optional<std::string> bytes = ReadRecordBytes(folder);
    FOld = bytes ? TExportRecord::Parse(*bytes) : std::nullopt;
    FOldJson = FOld ? *bytes : std::string();
}

std::vector<std::string> TExportRecordLedger::ReservedNames() const
{
    std::vector<std::string> names = FReserved;
    names.emplace_back(ExportRecordName);
    return names;
}

bool TExportRecordLedger::Owns(const std::string &name, const struct stat &onDisk) const
{
    if (!FOld)
        return false;
    const auto found = FOld->Files.find(name);
    return found != FOld->Files.end() && IsAsRecorded(found->second, onDisk);
}

bool TExportRecordLedger::Unchanged(const std::string &name, std::span<const std::string_view> bytes,
                                    const struct stat *onDisk)
{
    FPendingName = name;
    FPendingKey = FKeys.Of(bytes);
    if (FFull || !FOld || !onDisk || !S_ISREG(onDisk->st_mode))
        return false;
    const auto found = FOld->Files.find(name);
    if (found == FOld->Files.end())
        return false;
    const TExportedFile &old = found->second;
    if (old.Pieces != FPendingKey || !IsAsRecorded(old, *onDisk))
        return false;
    FNew.Files[name] = old;
    FTouched = true;
    return true;
}

void TExportRecordLedger::Written(const std::string &name, std::span<const std::string_view> bytes,
                                  const struct stat &info)
{
    TExportedFile file{static_cast<std::uint64_t>(info.st_size), Sha256Hex(bytes),
                       FPendingName == name ? FPendingKey : FKeys.Of(bytes), MtimeNs(info), std::string()};
    const TExportedFile *old = nullptr;
    if (FOld) {
        const auto found = FOld->Files.find(name);
        if (found != FOld->Files.end())
            old = &found->second;
    }
    file.Changed = old && old->Sha256 == file.Sha256 ? old->Changed : FToday();
    FNew.Files[name] = std::move(file);
    FTouched = true;
}

void TExportRecordLedger::Finish(int folder, bool complete)
{
    // An export stopped before its first file leaves the folder exactly as it was.
    if (!FTouched)
        return;
    // Files of earlier exports that are still there stay listed, so that prune knows them.
    if (FOld) {
        for (const auto &[name, file] : FOld->Files) {
            struct stat info;
            if (!FNew.Files.count(name) && ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(info.st_mode))
                FNew.Files.emplace(name, file);
        }
    }
    try {
        Save(folder);
    } catch (const std::exception &) {
        if (complete)
            throw;
    }
}

void TExportRecordLedger::Save(int folder)
{
    const std::string json = FNew.Json();
    if (FOld && json == FOldJson)
        return;
    TWholeFile file(folder, FFolderPath + "/" + std::string(ExportRecordName));
    file.Write(json);
    file.Commit(std::string(ExportRecordName));
}

} // namespace zarvik
