#include "platform/settings/settings_store.h"

#include "platform/folders/folders.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 5000;
const char* const kRootNames[] = {"HKEY_USERS", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                  "HKEY_CLASSES_ROOT"};

thread_local std::string t_lastError;

// The process-wide end of all waits on a locked store, in steady-clock milliseconds; the
// largest value while there is none.
std::atomic<int64_t> g_waitsEndMs{std::numeric_limits<int64_t>::max()};

int64_t steadyNowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool waitsEnded()
{
    return steadyNowMs() >= g_waitsEndMs.load();
}

// The busy handler: short sleeps up to the store's own bound, and never past the process-wide
// end of waits.
thread_local int64_t t_busySinceMs = 0;

int busyWait(void*, int count)
{
    const int64_t now = steadyNowMs();
    if (count == 0)
        t_busySinceMs = now;
    if (waitsEnded() || now - t_busySinceMs >= kBusyTimeoutMs)
        return 0;
    sqlite3_sleep(10);
    return 1;
}

std::mutex g_sharedMutex;
std::shared_ptr<SettingsStore> g_shared;

// Bumped after every committed change of any store of this process (and when the shared one
// is reopened), so that callers keeping what they read can tell when to read again.
std::atomic<uint64_t> g_changes{0};

// The store whose lock this thread holds for a whole transaction; statements it runs then
// need no lock of their own.
thread_local const SettingsStore* t_transactionStore = nullptr;

int64_t rootId(RegRoot root)
{
    return static_cast<int64_t>(root) + 1;
}

bool validRoot(RegRoot root)
{
    int r = static_cast<int>(root);
    return r >= 0 && r <= 3;
}

// A prepared statement that finalises itself, or one taken from the store's cache and given
// back to it.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    Statement(detail::StatementCache& cache, const char* sql) : m_cache(&cache), m_sql(sql)
    {
        m_rc = SQLITE_OK;
        m_stmt = cache.take(sql, &m_rc);
    }
    ~Statement()
    {
        if (m_cache)
            m_cache->give(m_sql, m_stmt);
        else
            sqlite3_finalize(m_stmt);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_rc == SQLITE_OK; }
    int prepareResult() const { return m_rc; }
    void bind(int i, int64_t v) { sqlite3_bind_int64(m_stmt, i, v); }
    void bind(int i, std::string_view s)
    {
        sqlite3_bind_text(m_stmt, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    }
    void bindBlob(int i, const void* data, size_t size)
    {
        // A zero-length blob still has to be a blob, not NULL.
        static const char empty = 0;
        sqlite3_bind_blob(m_stmt, i, size ? data : &empty, static_cast<int>(size), SQLITE_TRANSIENT);
    }
    int step() { return sqlite3_step(m_stmt); }
    int64_t columnInt(int i) { return sqlite3_column_int64(m_stmt, i); }
    std::string columnText(int i)
    {
        const unsigned char* t = sqlite3_column_text(m_stmt, i);
        return t ? std::string(reinterpret_cast<const char*>(t),
                               static_cast<size_t>(sqlite3_column_bytes(m_stmt, i)))
                 : std::string();
    }
    std::vector<uint8_t> columnBlob(int i)
    {
        const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(m_stmt, i));
        int n = sqlite3_column_bytes(m_stmt, i);
        return p && n > 0 ? std::vector<uint8_t>(p, p + n) : std::vector<uint8_t>();
    }

private:
    detail::StatementCache* m_cache = nullptr;
    const char* m_sql = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_ERROR;
};

bool exec(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool isBusy(int rc)
{
    return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED;
}

// Some steps (switching the journal mode, starting a transaction while another process sets
// up a new file) report busy without waiting on the busy handler. They are retried here, with
// the same overall bound as the busy time-out.
template <typename Step> int retryWhileBusy(Step step)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    int rc = step();
    while (isBusy(rc) && std::chrono::steady_clock::now() < deadline && !waitsEnded()) {
        sqlite3_sleep(10);
        rc = step();
    }
    return rc;
}

// Runs a change as one transaction. Whatever is not committed is rolled back when the object
// goes, after the caller has read the error text of the failure.
class Transaction
{
public:
    explicit Transaction(sqlite3* db) : m_db(db)
    {
        m_rc =
            retryWhileBusy([db] { return sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr); });
    }
    ~Transaction()
    {
        if (m_rc == SQLITE_OK && !m_committed)
            exec(m_db, "ROLLBACK");
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    int beginResult() const { return m_rc; }
    int commit()
    {
        int rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        m_committed = rc == SQLITE_OK;
        return rc;
    }

private:
    sqlite3* m_db;
    int m_rc;
    bool m_committed = false;
};

// The connection uses a write-ahead journal so that readers and a writer of several
// processes do not block each other. The answer is the mode now in force.
int switchToWal(sqlite3* db, std::string* mode)
{
    return retryWhileBusy([&] {
        Statement wal(db, "PRAGMA journal_mode=WAL");
        int rc = wal.ok() ? wal.step() : wal.prepareResult();
        if (rc == SQLITE_ROW) {
            *mode = foldName(wal.columnText(0));
            return SQLITE_OK;
        }
        return rc;
    });
}

// The columns every query of the store relies on; a table without them is not ours.
bool hasColumns(sqlite3* db, const char* sql)
{
    Statement probe(db, sql);
    return probe.ok();
}

enum class SchemaResult
{
    Ok,
    NotOurs,
    Failed
};

// Lays out a new file or checks an existing one, under the write lock, so that processes
// opening a new file at the same moment cannot both try to lay it out.
SchemaResult prepareSchema(sqlite3* db, std::string* why, int* code)
{
    Transaction tx(db);
    int rc = tx.beginResult();
    if (rc != SQLITE_OK) {
        *code = rc;
        *why = sqlite3_errmsg(db);
        return SchemaResult::Failed;
    }
    int64_t version = 0;
    int64_t objects = 0;
    {
        Statement query(db, "PRAGMA user_version");
        if (!query.ok() || query.step() != SQLITE_ROW) {
            *code = sqlite3_errcode(db);
            *why = sqlite3_errmsg(db);
            return SchemaResult::Failed;
        }
        version = query.columnInt(0);
        Statement tables(db, "SELECT count(*) FROM sqlite_master");
        if (!tables.ok() || tables.step() != SQLITE_ROW) {
            *code = sqlite3_errcode(db);
            *why = sqlite3_errmsg(db);
            return SchemaResult::Failed;
        }
        objects = tables.columnInt(0);
    }
    if (version == 0 && objects == 0) {
        // A new file: the schema and the four roots in the same transaction.
        std::string sql =
            "CREATE TABLE keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL, name TEXT NOT NULL,"
            " fold TEXT NOT NULL, UNIQUE(parent, fold));"
            "CREATE TABLE vals(id INTEGER PRIMARY KEY AUTOINCREMENT, key INTEGER NOT NULL,"
            " name TEXT NOT NULL, fold TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL,"
            " UNIQUE(key, fold));";
        for (int i = 0; i < 4; ++i)
            sql += "INSERT INTO keys VALUES(" + std::to_string(i + 1) + ",0,'" + kRootNames[i] + "','" +
                   foldName(kRootNames[i]) + "');";
        sql += "PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";";
        if (!exec(db, sql.c_str()) || (rc = tx.commit()) != SQLITE_OK) {
            *code = sqlite3_errcode(db);
            *why = sqlite3_errmsg(db);
            return SchemaResult::Failed;
        }
        return SchemaResult::Ok;
    }
    if (version == 0) {
        *why = "it holds other data";
        return SchemaResult::NotOurs;
    }
    if (version != kSchemaVersion) {
        *why = "its schema version is " + std::to_string(version) + ", this program knows " +
               std::to_string(kSchemaVersion);
        return SchemaResult::NotOurs;
    }
    if (!hasColumns(db, "SELECT id, parent, name, fold FROM keys LIMIT 0") ||
        !hasColumns(db, "SELECT id, key, name, fold, type, data FROM vals LIMIT 0")) {
        *why = "its tables are missing or damaged";
        return SchemaResult::NotOurs;
    }
    Statement roots(db, "SELECT count(*) FROM keys WHERE parent=0 AND id BETWEEN 1 AND 4");
    if (!roots.ok() || roots.step() != SQLITE_ROW || roots.columnInt(0) != 4) {
        *why = "its root keys are missing";
        return SchemaResult::NotOurs;
    }
    return SchemaResult::Ok;
}

// Makes sure the file exists as a regular file of mode 0600 before SQLite opens it: SQLite
// gives the -wal and -shm files the mode of the database file, so the umask never decides.
// Files left from an earlier run are tightened too.
bool prepareFile(const std::string& path, std::string* why)
{
    // O_NONBLOCK: a FIFO in the file's place must not hang the open.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        int err = errno;
        *why = err == ELOOP ? std::string("is a symbolic link, which the store does not follow")
                            : std::string("cannot be opened for writing: ") + std::strerror(err);
        return false;
    }
    struct stat st = {};
    bool ok = fstat(fd, &st) == 0;
    if (!ok)
        *why = std::string("cannot be examined: ") + std::strerror(errno);
    else if (!S_ISREG(st.st_mode)) {
        ok = false;
        *why = "is not a regular file";
    } else if (st.st_uid == geteuid() && (st.st_mode & 077) != 0 && fchmod(fd, 0600) != 0) {
        ok = false;
        *why = std::string("cannot be made private: ") + std::strerror(errno);
    }
    ::close(fd);
    if (!ok)
        return false;
    for (const char* suffix : {"-wal", "-shm"}) {
        int side = ::open((path + suffix).c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (side < 0)
            continue;
        struct stat sideSt = {};
        if (fstat(side, &sideSt) == 0 && S_ISREG(sideSt.st_mode) && sideSt.st_uid == geteuid() &&
            (sideSt.st_mode & 077) != 0)
            fchmod(side, 0600);
        ::close(side);
    }
    return true;
}

} // namespace

const char* storeStatusText(StoreStatus status)
{
    switch (status) {
    case StoreStatus::Ok:
        return "ok";
    case StoreStatus::NotFound:
        return "not found";
    case StoreStatus::HasSubkeys:
        return "the key has subkeys";
    case StoreStatus::TypeMismatch:
        return "the value has another type";
    case StoreStatus::InvalidArgument:
        return "invalid argument";
    case StoreStatus::Busy:
        return "the settings store is busy";
    case StoreStatus::Corrupt:
        return "the settings store is damaged";
    case StoreStatus::IoError:
        return "the settings store cannot be read or written";
    }
    return "unknown";
}

std::string foldName(std::string_view name)
{
    std::string out(name);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool splitKeyPath(std::string_view path, std::vector<std::string>* parts)
{
    parts->clear();
    if (path.size() > SettingsStore::kMaxKeyPath)
        return false;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t next = path.find('\\', pos);
        if (next == std::string_view::npos)
            next = path.size();
        if (next > pos) {
            if (next - pos > SettingsStore::kMaxKeyComponent)
                return false;
            parts->emplace_back(path.substr(pos, next - pos));
        }
        pos = next + 1;
    }
    return true;
}

std::string SettingsStore::defaultPath()
{
    const char* env = std::getenv("TYPESTONE_REGISTRY");
    if (env && *env)
        return env;
    return folders::configDir() + "/registry.sqlite";
}

std::unique_ptr<SettingsStore> SettingsStore::open(const std::string& path, std::string* error)
{
    auto failOpen = [&](const std::string& text) -> std::unique_ptr<SettingsStore> {
        if (error)
            *error = text;
        t_lastError = text;
        return nullptr;
    };
    if (path.empty())
        return failOpen("no settings store file was named");
    if (path.find('\0') != std::string::npos)
        return failOpen("settings store file name contains a NUL byte");
    auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        std::string why;
        if (!folders::makePath(path.substr(0, slash), 0700, &why))
            return failOpen("settings store " + path + ": " + why);
    }
    std::string why;
    if (!prepareFile(path, &why))
        return failOpen("settings store " + path + " " + why);

    sqlite3* db = nullptr;
    // Not SQLITE_OPEN_NOFOLLOW: it refuses a symbolic link anywhere in the path, folders
    // included; the file itself was checked above.
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        return failOpen("settings store " + path + " cannot be opened: " + text);
    }
    sqlite3_busy_handler(db, &busyWait, nullptr);
    auto failDb = [&](int code, const std::string& text) {
        sqlite3_close(db);
        int primary = code & 0xFF;
        if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
            return failOpen("settings store " + path + " is not a valid settings database (" + text + ")");
        if (isBusy(code))
            return failOpen("settings store " + path + " stayed locked by another process: " + text);
        return failOpen("settings store " + path + " cannot be used: " + text);
    };

    std::string mode;
    rc = switchToWal(db, &mode);
    if (rc != SQLITE_OK)
        return failDb(rc, sqlite3_errmsg(db));
    if (mode != "wal")
        return failDb(SQLITE_CANTOPEN,
                      "its folder or file system does not allow a write-ahead journal (mode " + mode + ")");
    int schemaRc = SQLITE_OK;
    switch (prepareSchema(db, &why, &schemaRc)) {
    case SchemaResult::Ok:
        break;
    case SchemaResult::NotOurs:
        return failDb(SQLITE_NOTADB, why);
    case SchemaResult::Failed:
        return failDb(schemaRc, why);
    }
    return std::unique_ptr<SettingsStore>(new SettingsStore(db, path));
}

std::shared_ptr<SettingsStore> SettingsStore::shared(std::string* error)
{
    std::lock_guard lock(g_sharedMutex);
    if (!g_shared) {
        std::unique_ptr<SettingsStore> store = open(defaultPath(), error);
        if (!store)
            return nullptr;
        g_shared = std::move(store);
    }
    return g_shared;
}

void SettingsStore::resetShared()
{
    std::lock_guard lock(g_sharedMutex);
    g_shared.reset();
    ++g_changes;
}

namespace {

// What the files of a store look like from outside: another process's commit grows the
// write-ahead journal, its checkpoint rewrites the main file, and a reset journal gets a new
// time. Readers change neither, so a stamp that moved means someone wrote.
struct FilesStamp
{
    int64_t mainNs = -1, mainSize = -1, journalNs = -1, journalSize = -1;
    bool operator==(const FilesStamp&) const = default;
};

void stampOf(const std::string& file, int64_t* ns, int64_t* size)
{
    struct stat st
    {
    };
    if (::stat(file.c_str(), &st) != 0)
        return;
    *ns = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    *size = int64_t(st.st_size);
}

std::mutex g_filesMutex;
std::string g_filesPath;
FilesStamp g_files;

} // namespace

uint64_t SettingsStore::changeCount()
{
    std::string path;
    {
        std::lock_guard lock(g_sharedMutex);
        if (g_shared)
            path = g_shared->path();
    }
    if (!path.empty()) {
        FilesStamp now;
        stampOf(path, &now.mainNs, &now.mainSize);
        stampOf(path + "-wal", &now.journalNs, &now.journalSize);
        std::lock_guard lock(g_filesMutex);
        if (path != g_filesPath) {
            g_filesPath = path;
            g_files = now;
        } else if (!(now == g_files)) {
            // Our own commits move the stamp too; that costs callers one needless re-read.
            g_files = now;
            ++g_changes;
        }
    }
    return g_changes.load();
}

// The lock of a whole transaction: every statement of this thread runs under it.
class SettingsStore::TransactionLock
{
public:
    explicit TransactionLock(SettingsStore& store) : m_lock(store.m_mutex), m_previous(t_transactionStore)
    {
        t_transactionStore = &store;
    }
    ~TransactionLock() { t_transactionStore = m_previous; }
    TransactionLock(const TransactionLock&) = delete;
    TransactionLock& operator=(const TransactionLock&) = delete;

private:
    std::lock_guard<std::mutex> m_lock;
    const SettingsStore* m_previous;
};

std::unique_lock<std::mutex> SettingsStore::statementLock()
{
    // A read holds the connection for one statement at a time, so a long walk of one thread
    // and the reads of others take turns instead of queueing behind each other whole.
    if (t_transactionStore == this)
        return std::unique_lock<std::mutex>();
    return std::unique_lock<std::mutex>(m_mutex);
}

void SettingsStore::limitWaits(int afterMs)
{
    const int64_t end = steadyNowMs() + std::max(0, afterMs);
    // A later, looser bound never lifts an earlier one.
    int64_t current = g_waitsEndMs.load();
    while (end < current && !g_waitsEndMs.compare_exchange_weak(current, end)) {
    }
}

void SettingsStore::unlimitWaits()
{
    g_waitsEndMs = std::numeric_limits<int64_t>::max();
}

namespace detail {

sqlite3_stmt* StatementCache::take(const char* sql, int* rc)
{
    Entry& entry = m_entries[sql];
    if (entry.stmt && !entry.busy) {
        entry.busy = true;
        return entry.stmt;
    }
    sqlite3_stmt* stmt = nullptr;
    *rc = sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
    if (*rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    if (!entry.stmt) {
        entry.stmt = stmt;
        entry.busy = true;
    }
    return stmt;
}

void StatementCache::give(const char* sql, sqlite3_stmt* stmt)
{
    if (!stmt)
        return;
    auto it = m_entries.find(sql);
    if (it == m_entries.end() || it->second.stmt != stmt) {
        sqlite3_finalize(stmt);
        return;
    }
    // A statement left half-stepped would hold a read snapshot open and keep other
    // processes' changes from us.
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    it->second.busy = false;
}

void StatementCache::clear()
{
    for (auto& [sql, entry] : m_entries)
        sqlite3_finalize(entry.stmt);
    m_entries.clear();
}

} // namespace detail

SettingsStore::SettingsStore(sqlite3* db, std::string path)
    : m_db(db), m_path(std::move(path)), m_statements(db)
{
}

SettingsStore::~SettingsStore()
{
    m_statements.clear(); // a connection closes only without open statements
    sqlite3_close(m_db);
}

std::string SettingsStore::lastError()
{
    return t_lastError;
}

bool SettingsStore::injectedFailure(const char* what, bool change)
{
    if (!change && m_failChangesOnly)
        return false;
    int left = m_failAfter.load();
    while (left > 0 && !m_failAfter.compare_exchange_weak(left, left - 1)) {
    }
    if (left != 0)
        return false;
    fail(StoreStatus::IoError, std::string(what) + " in " + m_path + ": disk I/O error (injected)");
    return true;
}

StoreStatus SettingsStore::verify(std::string* error)
{
    TransactionLock lock(*this);
    auto failed = [&](StoreStatus status, const std::string& text) {
        if (error)
            *error = text;
        return fail(status, text);
    };
    if (injectedFailure("checking the file", false))
        return failed(StoreStatus::IoError, t_lastError);
    Statement check(m_db, "PRAGMA quick_check");
    int rc = check.ok() ? check.step() : check.prepareResult();
    if (rc != SQLITE_ROW) {
        const StoreStatus status = sqliteFailure(rc, "checking the file");
        return failed(status, "settings store " + m_path + " cannot be read: " + sqlite3_errmsg(m_db));
    }
    const std::string first = check.columnText(0);
    if (first != "ok")
        return failed(StoreStatus::Corrupt, "settings store " + m_path + " is damaged: " + first);
    return StoreStatus::Ok;
}

StoreStatus SettingsStore::fail(StoreStatus status, const std::string& text)
{
    t_lastError = text;
    return status;
}

StoreStatus SettingsStore::sqliteFailure(int rc, const char* what)
{
    int primary = rc & 0xFF;
    std::string text = std::string(what) + " in " + m_path + ": " + sqlite3_errmsg(m_db);
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return fail(StoreStatus::Busy, text);
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
        return fail(StoreStatus::Corrupt, text);
    return fail(StoreStatus::IoError, text);
}

// Finds (or with `create`, makes) the key of a path. The caller holds the mutex and, when
// creating, a transaction.
StoreStatus SettingsStore::keyId(RegRoot root, std::string_view path, bool create, int64_t* id)
{
    if (!validRoot(root))
        return fail(StoreStatus::InvalidArgument, "unknown root key");
    std::vector<std::string> parts;
    if (!splitKeyPath(path, &parts))
        return fail(StoreStatus::InvalidArgument, "key path too long: " + std::string(path.substr(0, 80)));
    int64_t current = rootId(root);
    for (const std::string& part : parts) {
        const std::unique_lock<std::mutex> lock = statementLock();
        Statement find(m_statements, "SELECT id FROM keys WHERE parent=? AND fold=?");
        if (!find.ok())
            return sqliteFailure(find.prepareResult(), "reading a key");
        find.bind(1, current);
        find.bind(2, foldName(part));
        int rc = find.step();
        if (rc == SQLITE_ROW) {
            current = find.columnInt(0);
            continue;
        }
        if (rc != SQLITE_DONE)
            return sqliteFailure(rc, "reading a key");
        if (!create)
            return fail(StoreStatus::NotFound, "no key " + std::string(path));
        Statement insert(m_statements, "INSERT INTO keys(parent, name, fold) VALUES(?,?,?)");
        insert.bind(1, current);
        insert.bind(2, part);
        insert.bind(3, foldName(part));
        rc = insert.step();
        if (rc != SQLITE_DONE)
            return sqliteFailure(rc, "creating a key");
        current = sqlite3_last_insert_rowid(m_db);
    }
    *id = current;
    return StoreStatus::Ok;
}

StoreStatus SettingsStore::inChange(RegRoot root, std::string_view path, bool create, const char* what,
                                    const KeyBody& body)
{
    TransactionLock lock(*this);
    if (injectedFailure(what))
        return StoreStatus::IoError;
    Transaction tx(m_db);
    if (tx.beginResult() != SQLITE_OK)
        return sqliteFailure(tx.beginResult(), "starting a change");
    int64_t id = 0;
    StoreStatus s = keyId(root, path, create, &id);
    if (s == StoreStatus::Ok)
        s = body(id);
    if (s != StoreStatus::Ok)
        return s;
    const int rc = tx.commit();
    if (rc != SQLITE_OK)
        return sqliteFailure(rc, what);
    ++g_changes;
    return StoreStatus::Ok;
}

StoreStatus SettingsStore::inKey(RegRoot root, std::string_view path, const KeyBody& body)
{
    // No lock for the whole read: keyId and the body lock the connection per statement.
    if (injectedFailure("reading a key", false))
        return StoreStatus::IoError;
    int64_t id = 0;
    const StoreStatus s = keyId(root, path, false, &id);
    return s == StoreStatus::Ok ? body(id) : s;
}

StoreStatus SettingsStore::createKey(RegRoot root, std::string_view path)
{
    return inChange(root, path, true, "saving a key", [](int64_t) { return StoreStatus::Ok; });
}

StoreStatus SettingsStore::openKey(RegRoot root, std::string_view path)
{
    return inKey(root, path, [](int64_t) { return StoreStatus::Ok; });
}

bool SettingsStore::keyExists(RegRoot root, std::string_view path)
{
    return openKey(root, path) == StoreStatus::Ok;
}

StoreStatus SettingsStore::deleteKey(RegRoot root, std::string_view path)
{
    std::vector<std::string> parts;
    if (!splitKeyPath(path, &parts))
        return fail(StoreStatus::InvalidArgument, "key path too long: " + std::string(path.substr(0, 80)));
    if (parts.empty())
        return fail(StoreStatus::InvalidArgument, "a root key cannot be deleted");
    return inChange(root, path, false, "deleting a key", [&](int64_t id) {
        Statement children(m_statements, "SELECT count(*) FROM keys WHERE parent=?");
        if (!children.ok())
            return sqliteFailure(children.prepareResult(), "reading a key");
        children.bind(1, id);
        int rc = children.step();
        if (rc != SQLITE_ROW)
            return sqliteFailure(rc, "reading a key");
        if (children.columnInt(0) > 0)
            return fail(StoreStatus::HasSubkeys, "key " + std::string(path) + " has subkeys");
        Statement delVals(m_statements, "DELETE FROM vals WHERE key=?");
        delVals.bind(1, id);
        Statement delKey(m_statements, "DELETE FROM keys WHERE id=?");
        delKey.bind(1, id);
        rc = delVals.step();
        if (rc == SQLITE_DONE)
            rc = delKey.step();
        if (rc != SQLITE_DONE)
            return sqliteFailure(rc, "deleting a key");
        return StoreStatus::Ok;
    });
}

StoreStatus SettingsStore::setValue(RegRoot root, std::string_view path, std::string_view name,
                                    ValueType type, const void* data, size_t size)
{
    if (name.size() > kMaxValueName)
        return fail(StoreStatus::InvalidArgument, "value name too long");
    if (size > kMaxValueData)
        return fail(StoreStatus::InvalidArgument, "value data too large");
    if (size > 0 && !data)
        return fail(StoreStatus::InvalidArgument, "value data missing");
    return inChange(root, path, true, "writing a value", [&](int64_t id) {
        // The upsert keeps the row, so a rewritten value keeps its place in the enumeration.
        Statement put(m_statements,
                      "INSERT INTO vals(key, name, fold, type, data) VALUES(?,?,?,?,?)"
                      " ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data");
        if (!put.ok())
            return sqliteFailure(put.prepareResult(), "writing a value");
        put.bind(1, id);
        put.bind(2, name);
        put.bind(3, foldName(name));
        put.bind(4, static_cast<int64_t>(type));
        put.bindBlob(5, data, size);
        const int rc = put.step();
        return rc == SQLITE_DONE ? StoreStatus::Ok : sqliteFailure(rc, "writing a value");
    });
}

StoreStatus SettingsStore::setString(RegRoot root, std::string_view path, std::string_view name,
                                     std::string_view text)
{
    return setValue(root, path, name, ValueType::String, text.data(), text.size());
}

StoreStatus SettingsStore::setDword(RegRoot root, std::string_view path, std::string_view name,
                                    uint32_t value)
{
    uint8_t le[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                     static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return setValue(root, path, name, ValueType::Dword, le, sizeof le);
}

StoreStatus SettingsStore::setBinary(RegRoot root, std::string_view path, std::string_view name,
                                     const std::vector<uint8_t>& bytes)
{
    return setValue(root, path, name, ValueType::Binary, bytes.data(), bytes.size());
}

StoreStatus SettingsStore::setValues(RegRoot root, const std::vector<ValueWrite>& writes)
{
    for (const ValueWrite& w : writes) {
        std::vector<std::string> parts;
        if (!splitKeyPath(w.path, &parts))
            return fail(StoreStatus::InvalidArgument, "key path too long: " + w.path.substr(0, 80));
        if (w.name.size() > kMaxValueName)
            return fail(StoreStatus::InvalidArgument, "value name too long");
        if (w.data.size() > kMaxValueData)
            return fail(StoreStatus::InvalidArgument, "value data too large");
    }
    if (!validRoot(root))
        return fail(StoreStatus::InvalidArgument, "unknown root key");
    TransactionLock lock(*this);
    Transaction tx(m_db);
    if (tx.beginResult() != SQLITE_OK)
        return sqliteFailure(tx.beginResult(), "starting a change");
    for (const ValueWrite& w : writes) {
        if (injectedFailure("writing a value"))
            return StoreStatus::IoError;
        int64_t id = 0;
        StoreStatus s = keyId(root, w.path, true, &id);
        if (s != StoreStatus::Ok)
            return s;
        Statement put(m_statements,
                      "INSERT INTO vals(key, name, fold, type, data) VALUES(?,?,?,?,?)"
                      " ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data");
        if (!put.ok())
            return sqliteFailure(put.prepareResult(), "writing a value");
        put.bind(1, id);
        put.bind(2, w.name);
        put.bind(3, foldName(w.name));
        put.bind(4, static_cast<int64_t>(w.type));
        put.bindBlob(5, w.data.data(), w.data.size());
        const int rc = put.step();
        if (rc != SQLITE_DONE)
            return sqliteFailure(rc, "writing a value");
    }
    const int rc = tx.commit();
    if (rc != SQLITE_OK)
        return sqliteFailure(rc, "writing values");
    ++g_changes;
    return StoreStatus::Ok;
}

StoreStatus SettingsStore::value(RegRoot root, std::string_view path, std::string_view name, RegValue* out)
{
    if (name.size() > kMaxValueName)
        return fail(StoreStatus::InvalidArgument, "value name too long");
    return inKey(root, path, [&](int64_t id) {
        const std::unique_lock<std::mutex> lock = statementLock();
        Statement get(m_statements, "SELECT name, type, data FROM vals WHERE key=? AND fold=?");
        if (!get.ok())
            return sqliteFailure(get.prepareResult(), "reading a value");
        get.bind(1, id);
        get.bind(2, foldName(name));
        int rc = get.step();
        if (rc == SQLITE_DONE)
            return fail(StoreStatus::NotFound,
                        "no value '" + std::string(name) + "' in " + std::string(path));
        if (rc != SQLITE_ROW)
            return sqliteFailure(rc, "reading a value");
        if (out) {
            out->name = get.columnText(0);
            out->type = static_cast<ValueType>(get.columnInt(1));
            out->data = get.columnBlob(2);
        }
        return StoreStatus::Ok;
    });
}

StoreStatus SettingsStore::readString(RegRoot root, std::string_view path, std::string_view name,
                                      std::string* out)
{
    RegValue v;
    StoreStatus s = value(root, path, name, &v);
    if (s != StoreStatus::Ok)
        return s;
    if (v.type != ValueType::String && v.type != ValueType::ExpandString)
        return fail(StoreStatus::TypeMismatch, "value '" + std::string(name) + "' is not a single text");
    if (out) {
        // A text written with its terminator (as registry callers often pass it) reads the same
        // as one written without.
        size_t len = v.data.size();
        while (len > 0 && v.data[len - 1] == 0)
            --len;
        out->assign(v.data.begin(), v.data.begin() + static_cast<std::ptrdiff_t>(len));
    }
    return StoreStatus::Ok;
}

StoreStatus SettingsStore::readDword(RegRoot root, std::string_view path, std::string_view name,
                                     uint32_t* out)
{
    RegValue v;
    StoreStatus s = value(root, path, name, &v);
    if (s != StoreStatus::Ok)
        return s;
    if (v.type != ValueType::Dword || v.data.size() != 4)
        return fail(StoreStatus::TypeMismatch, "value '" + std::string(name) + "' is not a 32-bit number");
    if (out)
        *out = uint32_t(v.data[0]) | uint32_t(v.data[1]) << 8 | uint32_t(v.data[2]) << 16 |
               uint32_t(v.data[3]) << 24;
    return StoreStatus::Ok;
}

StoreStatus SettingsStore::readBinary(RegRoot root, std::string_view path, std::string_view name,
                                      std::vector<uint8_t>* out)
{
    RegValue v;
    StoreStatus s = value(root, path, name, &v);
    if (s != StoreStatus::Ok)
        return s;
    if (v.type != ValueType::Binary)
        return fail(StoreStatus::TypeMismatch, "value '" + std::string(name) + "' is not binary");
    if (out)
        *out = std::move(v.data);
    return StoreStatus::Ok;
}

StoreStatus SettingsStore::deleteValue(RegRoot root, std::string_view path, std::string_view name)
{
    if (name.size() > kMaxValueName)
        return fail(StoreStatus::InvalidArgument, "value name too long");
    return inChange(root, path, false, "deleting a value", [&](int64_t id) {
        Statement del(m_statements, "DELETE FROM vals WHERE key=? AND fold=?");
        del.bind(1, id);
        del.bind(2, foldName(name));
        int rc = del.step();
        if (rc != SQLITE_DONE)
            return sqliteFailure(rc, "deleting a value");
        if (sqlite3_changes(m_db) == 0)
            return fail(StoreStatus::NotFound,
                        "no value '" + std::string(name) + "' in " + std::string(path));
        return StoreStatus::Ok;
    });
}

StoreStatus SettingsStore::subkeys(RegRoot root, std::string_view path, std::vector<std::string>* out)
{
    if (!out)
        return fail(StoreStatus::InvalidArgument, "no list to fill");
    return inKey(root, path, [&](int64_t id) {
        const std::unique_lock<std::mutex> lock = statementLock();
        Statement list(m_statements, "SELECT name FROM keys WHERE parent=? ORDER BY fold");
        list.bind(1, id);
        out->clear();
        int rc;
        while ((rc = list.step()) == SQLITE_ROW)
            out->push_back(list.columnText(0));
        return rc == SQLITE_DONE ? StoreStatus::Ok : sqliteFailure(rc, "listing subkeys");
    });
}

StoreStatus SettingsStore::values(RegRoot root, std::string_view path, std::vector<RegValue>* out)
{
    if (!out)
        return fail(StoreStatus::InvalidArgument, "no list to fill");
    return inKey(root, path, [&](int64_t id) {
        const std::unique_lock<std::mutex> lock = statementLock();
        Statement list(m_statements, "SELECT name, type, data FROM vals WHERE key=? ORDER BY id");
        list.bind(1, id);
        out->clear();
        int rc;
        while ((rc = list.step()) == SQLITE_ROW) {
            RegValue v;
            v.name = list.columnText(0);
            v.type = static_cast<ValueType>(list.columnInt(1));
            v.data = list.columnBlob(2);
            out->push_back(std::move(v));
        }
        return rc == SQLITE_DONE ? StoreStatus::Ok : sqliteFailure(rc, "listing values");
    });
}

StoreStatus SettingsStore::rewriteValues(RegRoot root, std::string_view path, const ValuesEdit& edit)
{
    std::vector<std::string> parts;
    if (!splitKeyPath(path, &parts))
        return fail(StoreStatus::InvalidArgument, "key path too long: " + std::string(path.substr(0, 80)));
    if (parts.empty() || !edit)
        return fail(StoreStatus::InvalidArgument, "a root key's values are not rewritten");
    return inChange(root, path, true, "rewriting values", [&](int64_t id) {
        std::vector<RegValue> list;
        {
            Statement read(m_statements, "SELECT name, type, data FROM vals WHERE key=? ORDER BY id");
            if (!read.ok())
                return sqliteFailure(read.prepareResult(), "listing values");
            read.bind(1, id);
            int rc;
            while ((rc = read.step()) == SQLITE_ROW) {
                RegValue v;
                v.name = read.columnText(0);
                v.type = static_cast<ValueType>(read.columnInt(1));
                v.data = read.columnBlob(2);
                list.push_back(std::move(v));
            }
            if (rc != SQLITE_DONE)
                return sqliteFailure(rc, "listing values");
        }
        const bool existed = !list.empty();
        if (!edit(list)) {
            // Unchanged; a key made only for this read goes again.
            if (existed)
                return StoreStatus::Ok;
            list.clear();
        }
        for (const RegValue& v : list)
            if (v.name.size() > kMaxValueName || v.data.size() > kMaxValueData)
                return fail(StoreStatus::InvalidArgument, "value name or data beyond the store's limits");
        Statement delVals(m_statements, "DELETE FROM vals WHERE key=?");
        delVals.bind(1, id);
        int rc = delVals.step();
        if (rc != SQLITE_DONE)
            return sqliteFailure(rc, "rewriting values");
        if (list.empty()) {
            Statement children(m_statements, "SELECT count(*) FROM keys WHERE parent=?");
            children.bind(1, id);
            rc = children.step();
            if (rc != SQLITE_ROW)
                return sqliteFailure(rc, "reading a key");
            if (children.columnInt(0) == 0) {
                Statement delKey(m_statements, "DELETE FROM keys WHERE id=?");
                delKey.bind(1, id);
                if ((rc = delKey.step()) != SQLITE_DONE)
                    return sqliteFailure(rc, "deleting a key");
            }
            return StoreStatus::Ok;
        }
        for (const RegValue& v : list) {
            Statement put(m_statements,
                          "INSERT INTO vals(key, name, fold, type, data) VALUES(?,?,?,?,?)"
                          " ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data");
            put.bind(1, id);
            put.bind(2, v.name);
            put.bind(3, foldName(v.name));
            put.bind(4, static_cast<int64_t>(v.type));
            put.bindBlob(5, v.data.data(), v.data.size());
            if ((rc = put.step()) != SQLITE_DONE)
                return sqliteFailure(rc, "writing a value");
        }
        return StoreStatus::Ok;
    });
}

} // namespace platform
