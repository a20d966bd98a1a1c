#pragma once
// The settings store: a registry-shaped tree of keys and typed values kept in one SQLite file.
//
// Keys live below four roots and are named by backslash-separated paths, as the programs
// always named them ("Software\\KLV\\Typestone\\General"). Key and value names compare
// without regard to ASCII case and keep the case of their first write. Several processes may
// use one file at once: the file runs in WAL mode with a busy time-out, and every change is
// one transaction. One object may be shared by many threads.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace platform {

namespace detail {

// The prepared statements of one connection, kept for the next use instead of being prepared
// afresh for every key of a path (used under the store's lock). A statement still in use when
// the same text is asked for again gets a fresh one of its own.
class StatementCache
{
public:
    explicit StatementCache(sqlite3* db) : m_db(db) {}
    ~StatementCache() { clear(); }
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // A statement for `sql` (a string that lives as long as the cache, a literal); null with
    // the result of the failed prepare in *rc.
    sqlite3_stmt* take(const char* sql, int* rc);
    // Back from use: reset and unbound, kept when it is the cached one, else finalised.
    void give(const char* sql, sqlite3_stmt* stmt);
    // Finalises every kept statement (before the connection closes).
    void clear();

private:
    struct Entry
    {
        sqlite3_stmt* stmt = nullptr;
        bool busy = false;
    };
    sqlite3* const m_db;
    std::unordered_map<const char*, Entry> m_entries;
};

} // namespace detail

enum class RegRoot : int
{
    Users = 0,
    CurrentUser = 1,
    LocalMachine = 2,
    ClassesRoot = 3
};

// The value types, numbered as the registry numbers them (the numbers are stored).
enum class ValueType : uint32_t
{
    None = 0,
    String = 1,       // REG_SZ
    ExpandString = 2, // REG_EXPAND_SZ
    Binary = 3,       // REG_BINARY
    Dword = 4,        // REG_DWORD, 32-bit little-endian
    MultiString = 7,  // REG_MULTI_SZ, the strings joined by NUL bytes
};

enum class StoreStatus
{
    Ok,
    NotFound,        // no such key or value
    HasSubkeys,      // a key with subkeys is not deleted
    TypeMismatch,    // a typed reader met another type
    InvalidArgument, // a name or a size out of bounds
    Busy,            // another process held the file past the busy time-out
    Corrupt,         // the file is not a settings database
    IoError,         // the file or its folder cannot be read or written
};

const char* storeStatusText(StoreStatus status);

struct RegValue
{
    std::string name;
    ValueType type = ValueType::None;
    std::vector<uint8_t> data; // text types hold their text without a terminator
    std::string text() const { return std::string(data.begin(), data.end()); }
};

// One value of a batch written with SettingsStore::setValues.
struct ValueWrite
{
    std::string path;
    std::string name;
    ValueType type = ValueType::None;
    std::vector<uint8_t> data;
};

class SettingsStore
{
public:
    // Limits on what one call may carry.
    static constexpr size_t kMaxKeyComponent = 255;
    static constexpr size_t kMaxKeyPath = 4096;
    static constexpr size_t kMaxValueName = 16383;
    static constexpr size_t kMaxValueData = 1024 * 1024;

    // Opens (creating when missing, with its folder) the store at `path`. nullptr with a
    // reason on failure: a file that is not a settings database, a symbolic link or anything
    // but a regular file is refused, never treated as an empty store.
    static std::unique_ptr<SettingsStore> open(const std::string& path, std::string* error = nullptr);

    // TYPESTONE_REGISTRY when set, else <config folder>/registry.sqlite.
    static std::string defaultPath();

    // The process-wide store at defaultPath(), opened on first use. nullptr with a reason
    // when it cannot be opened (the next call tries again).
    static std::shared_ptr<SettingsStore> shared(std::string* error = nullptr);
    // Forgets the process-wide store so that the next shared() reopens it (tests).
    static void resetShared();

    // A number that grows with every change committed through any store of this process (and
    // with resetShared), and when the files of the shared store were written by another
    // process since the last call: what was read while it stayed the same still holds.
    static uint64_t changeCount();

    // A bound for every later wait of this process on a store another process holds locked
    // (each wait is bounded by itself too): at a stop, waits that would outlast it fail as
    // busy instead. Any thread. `afterMs` 0 ends every such wait at once.
    static void limitWaits(int afterMs);
    // Lifts the bound (the end of a run that set it).
    static void unlimitWaits();

    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    const std::string& path() const { return m_path; }

    // Reads every page of the file once (SQLite's quick check), so that a damaged or cut file
    // is found before the program relies on it rather than at the first value that lies in a
    // bad page. Corrupt or IoError with a reason naming the file.
    StoreStatus verify(std::string* error = nullptr);

    StoreStatus createKey(RegRoot root, std::string_view path);
    // Ok when the key exists, NotFound when it does not, another status when the store failed.
    StoreStatus openKey(RegRoot root, std::string_view path);
    bool keyExists(RegRoot root, std::string_view path);
    // Deletes a key and its values; refused with HasSubkeys while it has subkeys.
    StoreStatus deleteKey(RegRoot root, std::string_view path);

    // Writes a value, creating the key and its parents when missing. An empty name is the
    // key's default value.
    StoreStatus setValue(RegRoot root, std::string_view path, std::string_view name, ValueType type,
                         const void* data, size_t size);
    StoreStatus setString(RegRoot root, std::string_view path, std::string_view name, std::string_view text);
    StoreStatus setDword(RegRoot root, std::string_view path, std::string_view name, uint32_t value);
    StoreStatus setBinary(RegRoot root, std::string_view path, std::string_view name,
                          const std::vector<uint8_t>& bytes);
    // Writes all the values (creating their keys) in one transaction: when one of them cannot
    // be written, none is, and the store keeps what it held.
    StoreStatus setValues(RegRoot root, const std::vector<ValueWrite>& writes);

    StoreStatus value(RegRoot root, std::string_view path, std::string_view name, RegValue* out);
    // Typed readers: TypeMismatch for a value of another type. readString takes String and
    // ExpandString (not expanded) and leaves out trailing NUL bytes; a MultiString is read
    // with value(), its strings being joined by NUL bytes. readDword wants exactly 4 bytes.
    StoreStatus readString(RegRoot root, std::string_view path, std::string_view name, std::string* out);
    StoreStatus readDword(RegRoot root, std::string_view path, std::string_view name, uint32_t* out);
    StoreStatus readBinary(RegRoot root, std::string_view path, std::string_view name,
                           std::vector<uint8_t>* out);

    StoreStatus deleteValue(RegRoot root, std::string_view path, std::string_view name);

    // Subkey names in case-insensitive alphabetical order; values in the order first written.
    StoreStatus subkeys(RegRoot root, std::string_view path, std::vector<std::string>* out);
    StoreStatus values(RegRoot root, std::string_view path, std::vector<RegValue>* out);

    // Reads the key's values, lets `edit` change the list, and writes the list back in place of
    // the key's values, all in one transaction: other processes see the key before or after,
    // never between. An empty list removes the key unless it has subkeys. When `edit` returns
    // false nothing is written. A missing key reads as an empty list.
    using ValuesEdit = std::function<bool(std::vector<RegValue>& values)>;
    StoreStatus rewriteValues(RegRoot root, std::string_view path, const ValuesEdit& edit);

    // The reason for the last failure of a call on this thread.
    static std::string lastError();

    // Lets the next `operations` reads and writes (with `changesOnly`, writes; reads then pass)
    // through and fails every later one with IoError, as a full or failing disk would; a
    // negative count ends it. Each value of setValues counts as one operation, so a batch can
    // fail part-way. For the tests of what callers do when the store fails under them.
    void failOperationsAfter(int operations, bool changesOnly = false)
    {
        m_failChangesOnly = changesOnly;
        m_failAfter = operations;
    }

private:
    SettingsStore(sqlite3* db, std::string path);

    class TransactionLock;
    // The connection for one statement of a read; nothing to lock inside this thread's own
    // transaction, which holds it already.
    std::unique_lock<std::mutex> statementLock();
    StoreStatus keyId(RegRoot root, std::string_view path, bool create, int64_t* id);
    // Runs `body` with the id of the key of `path` under the store's lock: as one transaction
    // (committed when `body` gives Ok, else rolled back) for a change, or plainly for a read.
    using KeyBody = std::function<StoreStatus(int64_t id)>;
    StoreStatus inChange(RegRoot root, std::string_view path, bool create, const char* what,
                         const KeyBody& body);
    StoreStatus inKey(RegRoot root, std::string_view path, const KeyBody& body);
    StoreStatus fail(StoreStatus status, const std::string& text);
    // True (with the failure recorded) when failOperationsAfter says this operation fails.
    bool injectedFailure(const char* what, bool change = true);
    StoreStatus sqliteFailure(int rc, const char* what);

    sqlite3* m_db = nullptr;
    std::string m_path;
    std::mutex m_mutex;                  // the connection: a transaction, or one statement of a read
    detail::StatementCache m_statements; // under m_mutex
    std::atomic<int> m_failAfter{-1};
    std::atomic<bool> m_failChangesOnly{false};
};

// Splits a backslash path into its components; empty components are dropped. False when a
// component or the whole path is longer than the store allows.
bool splitKeyPath(std::string_view path, std::vector<std::string>* parts);

// ASCII case folding used for every name comparison of the store.
std::string foldName(std::string_view name);

} // namespace platform
