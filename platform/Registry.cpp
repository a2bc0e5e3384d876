#include "platform/Registry.h"

#include "platform/RegistryTree.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Registry {

using detail::Key;
using detail::Tree;

namespace {

// A larger file is not a registry anybody wrote by hand or by registration.
constexpr off_t kMaxFileSize = 64 * 1024 * 1024;

std::string EnvOrEmpty(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeDirectory()
{
    std::string home = EnvOrEmpty("HOME");
    if (!home.empty())
        return home;
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/";
}

std::string Directory(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Closes a file descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~Fd()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_;
};

// What identifies one version of a file: a file replaced by rename has a new
// inode, one rewritten in place a new size or modification time.
struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    time_t seconds = 0;
    long nanoseconds = 0;

    static Identity Of(const struct stat& st)
    {
        return {st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    }
    bool operator==(const Identity&) const = default;
};

enum class FileState { Missing, Parsed, Unreadable, Malformed };

struct FileContents {
    FileState state = FileState::Missing;
    std::shared_ptr<const Tree> tree; // when Parsed
    std::string bytes;                 // the text as read, when Parsed
    std::string problem;               // when Unreadable or Malformed
};

// Parsed files by path. An entry keeps its file open so that the inode
// cannot be freed and reused by a later file while the entry stands.
struct CacheEntry {
    Identity identity;
    Fd keepOpen;
    std::shared_ptr<const FileContents> contents;
};

std::mutex cacheMutex;
std::map<std::string, CacheEntry> cache;

std::shared_ptr<const FileContents> Problem(FileState state, std::string text)
{
    auto c = std::make_shared<FileContents>();
    c->state = state;
    c->problem = std::move(text);
    return c;
}

std::string ErrnoText(const char* what, int error)
{
    std::string text = what;
    text += ": ";
    char buffer[256];
    text += strerror_r(error, buffer, sizeof buffer);
    return text;
}

bool ReadAll(int fd, off_t expected, std::string& out)
{
    out.clear();
    out.reserve(static_cast<size_t>(expected));
    char buffer[65536];
    while (true) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        out.append(buffer, static_cast<size_t>(n));
        if (out.size() > static_cast<size_t>(kMaxFileSize)) {
            errno = EFBIG;
            return false;
        }
    }
}

std::shared_ptr<const FileContents> Load(const std::string& path)
{
    static const auto missing = std::make_shared<const FileContents>();
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return missing;
        return Problem(FileState::Unreadable, ErrnoText("cannot examine the file", errno));
    }
    if (!S_ISREG(st.st_mode))
        return Problem(FileState::Unreadable, "not a regular file");

    std::lock_guard guard(cacheMutex);
    auto cached = cache.find(path);
    if (cached != cache.end() && cached->second.identity == Identity::Of(st))
        return cached->second.contents;

    Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        if (errno == ENOENT)
            return missing;
        return Problem(FileState::Unreadable, ErrnoText("cannot open the file", errno));
    }
    if (fstat(fd.Get(), &st) != 0)
        return Problem(FileState::Unreadable, ErrnoText("cannot examine the file", errno));
    if (st.st_size > kMaxFileSize)
        return Problem(FileState::Malformed, "the file is too large to be a registry");

    auto contents = std::make_shared<FileContents>();
    if (!ReadAll(fd.Get(), st.st_size, contents->bytes))
        return Problem(FileState::Unreadable, ErrnoText("cannot read the file", errno));
    auto parsed = detail::Parse(contents->bytes);
    if (auto* error = std::get_if<detail::ParseError>(&parsed)) {
        contents->state = FileState::Malformed;
        contents->problem = "line " + std::to_string(error->line) + ": " + error->message;
        contents->bytes.clear();
    } else {
        contents->state = FileState::Parsed;
        contents->tree = std::make_shared<const Tree>(std::move(std::get<Tree>(parsed)));
    }
    CacheEntry& entry = cache[path];
    entry.identity = Identity::Of(st);
    entry.keepOpen = std::move(fd);
    entry.contents = contents;
    return contents;
}

// The parsed trees that look-ups consult, the user's first.
std::vector<std::shared_ptr<const FileContents>> LookupSources()
{
    std::vector<std::shared_ptr<const FileContents>> sources;
    for (const std::string& path : {UserFilePath(), SystemFilePath()}) {
        auto contents = Load(path);
        if (contents->state == FileState::Parsed)
            sources.push_back(std::move(contents));
    }
    return sources;
}

const Key* FindKey(const FileContents& contents, const std::optional<std::vector<std::string>>& path)
{
    return path ? contents.tree->Find(*path) : nullptr;
}

// Applies edits to a private copy of the tree; the first unusable argument
// spoils the whole update.
class TreeEdit final : public Edit {
public:
    explicit TreeEdit(Tree& tree) : tree_(tree) {}

    void SetString(std::string_view keyPath, std::string_view valueName, std::string_view value) override
    {
        if (!Usable(valueName) || !Usable(value))
            return;
        if (Key* key = KeyFor(keyPath))
            Set(*key, valueName, detail::Value{{}, false, std::string(value), 0});
    }
    void SetDword(std::string_view keyPath, std::string_view valueName, DWORD value) override
    {
        if (!Usable(valueName))
            return;
        if (Key* key = KeyFor(keyPath))
            Set(*key, valueName, detail::Value{{}, true, {}, value});
    }
    void CreateKey(std::string_view keyPath) override { KeyFor(keyPath); }
    void DeleteValue(std::string_view keyPath, std::string_view valueName) override
    {
        auto path = Path(keyPath);
        if (!path)
            return;
        if (Key* key = tree_.Find(*path)) {
            std::string folded = detail::Fold(valueName);
            std::erase_if(key->values, [&](const detail::Value& v) { return detail::Fold(v.name) == folded; });
        }
    }
    void DeleteTree(std::string_view keyPath) override
    {
        if (auto path = Path(keyPath))
            tree_.Remove(*path);
    }
    void DeleteKeyIfEmpty(std::string_view keyPath) override
    {
        auto path = Path(keyPath);
        if (!path)
            return;
        const Key* key = tree_.Find(*path);
        if (key && key->values.empty() && key->children.empty())
            tree_.Remove(*path);
    }

    bool Failed() const { return failed_; }

private:
    bool Usable(std::string_view text)
    {
        if (text.find('\0') != std::string_view::npos)
            failed_ = true;
        return !failed_;
    }
    std::optional<std::vector<std::string>> Path(std::string_view keyPath)
    {
        auto path = detail::SplitPath(keyPath);
        if (!path)
            failed_ = true;
        return failed_ ? std::nullopt : path;
    }
    Key* KeyFor(std::string_view keyPath)
    {
        auto path = Path(keyPath);
        return path ? &tree_.Create(*path) : nullptr;
    }
    static void Set(Key& key, std::string_view name, detail::Value value)
    {
        if (detail::Value* existing = key.FindValue(name)) {
            value.name = existing->name;
            *existing = std::move(value);
        } else {
            value.name = std::string(name);
            key.values.push_back(std::move(value));
        }
    }

    Tree& tree_;
    bool failed_ = false;
};

// mkdir -p for the registry's folder.
bool MakeDirectories(const std::string& directory)
{
    struct stat st;
    if (stat(directory.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    std::string parent = Directory(directory);
    if (parent != directory && !MakeDirectories(parent))
        return false;
    return mkdir(directory.c_str(), 0777) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        ssize_t n = write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Writes `text` to a new file beside `target` and renames it over `target`.
// The new file's identity is returned so the cache can take the new tree.
bool ReplaceFile(const std::string& target, std::string_view text, mode_t mode, bool keepMode, Fd& written,
                 struct stat& writtenStat)
{
    static std::atomic<unsigned> counter{0};
    std::string directory = Directory(target);
    std::string base = target.substr(target.rfind('/') + 1);
    std::string temp;
    Fd fd;
    for (int attempt = 0; attempt < 100 && !fd; ++attempt) {
        temp = directory + "/." + base + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        fd = Fd(open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd && errno != EEXIST)
            return false;
    }
    if (!fd)
        return false;
    bool ok = WriteAll(fd.Get(), text) && (!keepMode || fchmod(fd.Get(), mode) == 0) && fsync(fd.Get()) == 0 &&
              fstat(fd.Get(), &writtenStat) == 0 && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; a file system that cannot sync a
    // directory still has the new file in place.
    Fd dir(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir)
        fsync(dir.Get());
    written = std::move(fd);
    return true;
}

// The file to write: the registry path, or what it links to.
std::optional<std::string> WriteTarget(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (!realpath(path.c_str(), resolved))
            return std::nullopt;
        return std::string(resolved);
    }
    return path;
}

} // namespace

std::string UserFilePath()
{
    std::string path = EnvOrEmpty("TESSALY_REGISTRY");
    if (!path.empty())
        return path;
    std::string config = EnvOrEmpty("XDG_CONFIG_HOME");
    if (config.empty() || config[0] != '/') // relative values are to be ignored
        config = HomeDirectory() + "/.config";
    return config + "/tessaly/registry.reg";
}

std::string SystemFilePath()
{
    std::string path = EnvOrEmpty("TESSALY_SYSTEM_REGISTRY");
    return path.empty() ? std::string("/etc/tessaly/registry.reg") : path;
}

std::optional<std::string> GetString(std::string_view keyPath, std::string_view valueName)
{
    auto path = detail::SplitPath(keyPath);
    for (const auto& source : LookupSources()) {
        if (const Key* key = FindKey(*source, path))
            if (const detail::Value* value = key->FindValue(valueName); value && !value->isDword)
                return value->text;
    }
    return std::nullopt;
}

bool KeyExists(std::string_view keyPath)
{
    auto path = detail::SplitPath(keyPath);
    for (const auto& source : LookupSources())
        if (FindKey(*source, path))
            return true;
    return false;
}

std::vector<std::string> SubKeys(std::string_view keyPath)
{
    auto path = detail::SplitPath(keyPath);
    std::vector<std::string> names;
    std::vector<std::string> folded;
    for (const auto& source : LookupSources()) {
        const Key* key = FindKey(*source, path);
        if (!key)
            continue;
        for (const Key& child : key->children) {
            std::string f = detail::Fold(child.name);
            if (std::find(folded.begin(), folded.end(), f) == folded.end()) {
                folded.push_back(std::move(f));
                names.push_back(child.name);
            }
        }
    }
    return names;
}

std::optional<std::string> FileProblem(const std::string& path)
{
    auto contents = Load(path);
    if (contents->state == FileState::Unreadable || contents->state == FileState::Malformed)
        return contents->problem;
    return std::nullopt;
}

HRESULT Update(const std::function<void(Edit&)>& edits)
{
    auto target = WriteTarget(UserFilePath());
    if (!target)
        return REGDB_E_WRITEREGDB;
    if (!MakeDirectories(Directory(*target)))
        return REGDB_E_WRITEREGDB;

    // The lock lives in a file of its own: the rename replaces the registry
    // file, and a lock on the replaced file would protect nothing.
    Fd lock(open((*target + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (!lock)
        return REGDB_E_WRITEREGDB;
    while (flock(lock.Get(), LOCK_EX) != 0)
        if (errno != EINTR)
            return REGDB_E_WRITEREGDB;

    auto current = Load(*target);
    if (current->state == FileState::Unreadable || current->state == FileState::Malformed)
        return REGDB_E_READREGDB;
    bool existed = current->state == FileState::Parsed;

    Tree tree = existed ? *current->tree : Tree();
    TreeEdit editor(tree);
    try {
        edits(editor);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
    if (editor.Failed())
        return E_INVALIDARG;

    std::string text = detail::Serialize(tree);
    if (existed ? text == current->bytes : tree.Empty())
        return S_OK;

    struct stat old;
    bool keepMode = existed && stat(target->c_str(), &old) == 0;
    Fd written;
    struct stat st;
    if (!ReplaceFile(*target, text, keepMode ? (old.st_mode & 07777) : 0, keepMode, written, st))
        return REGDB_E_WRITEREGDB;

    auto contents = std::make_shared<FileContents>();
    contents->state = FileState::Parsed;
    contents->tree = std::make_shared<const Tree>(std::move(tree));
    contents->bytes = std::move(text);
    std::lock_guard guard(cacheMutex);
    CacheEntry& entry = cache[*target];
    entry.identity = Identity::Of(st);
    entry.keepOpen = std::move(written);
    entry.contents = std::move(contents);
    return S_OK;
}

} // namespace Registry
