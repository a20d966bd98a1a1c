#include "platform/settings/settings_store.h"

#include "platform/folders/folders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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

std::mutex g_sharedMutex;
std::shared_ptr<SettingsStore> g_shared;

int64_t rootId(RegRoot root) { return static_cast<int64_t>(root) + 1; }

bool validRoot(RegRoot root)
{
    int r = static_cast<int>(root);
    return r >= 0 && r <= 3;
}

// A prepared statement that finalises itself.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
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
        return t ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_column_bytes(m_stmt, i)))
                 : std::string();
    }
    std::vector<uint8_t> columnBlob(int i)
    {
        const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(m_stmt, i));
        int n = sqlite3_column_bytes(m_stmt, i);
        return p && n > 0 ? std::vector<uint8_t>(p, p + n) : std::vector<uint8_t>();
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_ERROR;
};

bool exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

// Runs a change as one transaction, rolled back when the body fails.
class Transaction
{
public:
    explicit Transaction(sqlite3* db) : m_db(db) { m_rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr); }
    ~Transaction()
    {
        if (m_rc == SQLITE_OK && !m_done)
            exec(m_db, "ROLLBACK");
    }
    int beginResult() const { return m_rc; }
    int commit()
    {
        m_done = true;
        int rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            exec(m_db, "ROLLBACK");
        return rc;
    }

private:
    sqlite3* m_db;
    int m_rc;
    bool m_done = false;
};

bool validateSchema(sqlite3* db, std::string* why)
{
    int64_t v = 0;
    int64_t objects = 0;
    {
        Statement version(db, "PRAGMA user_version");
        if (!version.ok() || version.step() != SQLITE_ROW) {
            *why = sqlite3_errmsg(db);
            return false;
        }
        v = version.columnInt(0);
        Statement tables(db, "SELECT count(*) FROM sqlite_master");
        if (!tables.ok() || tables.step() != SQLITE_ROW) {
            *why = sqlite3_errmsg(db);
            return false;
        }
        objects = tables.columnInt(0);
    }
    if (v == 0 && objects == 0) {
        // A new file: lay out the schema and the four roots in one go.
        std::string sql = "BEGIN IMMEDIATE;"
                          "CREATE TABLE keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL, name TEXT NOT NULL,"
                          " fold TEXT NOT NULL, UNIQUE(parent, fold));"
                          "CREATE TABLE vals(id INTEGER PRIMARY KEY AUTOINCREMENT, key INTEGER NOT NULL,"
                          " name TEXT NOT NULL, fold TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL,"
                          " UNIQUE(key, fold));";
        for (int i = 0; i < 4; ++i)
            sql += "INSERT INTO keys VALUES(" + std::to_string(i + 1) + ",0,'" + kRootNames[i] + "','" +
                   foldName(kRootNames[i]) + "');";
        sql += "PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";COMMIT;";
        if (!exec(db, sql.c_str())) {
            *why = sqlite3_errmsg(db);
            exec(db, "ROLLBACK");
            return false;
        }
        return true;
    }
    if (v != kSchemaVersion) {
        *why = "schema version " + std::to_string(v) + " is not " + std::to_string(kSchemaVersion);
        return false;
    }
    Statement check(db, "SELECT count(*) FROM keys WHERE parent=0 AND id BETWEEN 1 AND 4");
    if (!check.ok() || check.step() != SQLITE_ROW || check.columnInt(0) != 4) {
        *why = "its tables are missing or damaged";
        return false;
    }
    Statement vals(db, "SELECT id, key, name, fold, type, data FROM vals LIMIT 0");
    if (!vals.ok()) {
        *why = "its tables are missing or damaged";
        return false;
    }
    return true;
}

} // namespace

const char* storeStatusText(StoreStatus status)
{
    switch (status) {
    case StoreStatus::Ok: return "ok";
    case StoreStatus::NotFound: return "not found";
    case StoreStatus::HasSubkeys: return "the key has subkeys";
    case StoreStatus::TypeMismatch: return "the value has another type";
    case StoreStatus::InvalidArgument: return "invalid argument";
    case StoreStatus::Busy: return "the settings store is busy";
    case StoreStatus::Corrupt: return "the settings store is damaged";
    case StoreStatus::IoError: return "the settings store cannot be read or written";
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
    auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        std::string why;
        if (!folders::makePath(path.substr(0, slash), 0700, &why))
            return failOpen("settings store " + path + ": " + why);
    }
    // Create the file ourselves so that it is 0600 whatever the umask; SQLite gives its
    // -wal and -shm files the mode of the database file.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return failOpen("settings store " + path + " cannot be opened for writing: " + std::strerror(errno));
    struct stat st{};
    if (fstat(fd, &st) == 0 && st.st_uid == geteuid() && (st.st_mode & 077) != 0)
        fchmod(fd, 0600);
    ::close(fd);

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        return failOpen("settings store " + path + " cannot be opened: " + text);
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    std::string why;
    int walRc;
    {
        Statement wal(db, "PRAGMA journal_mode=WAL");
        walRc = wal.ok() ? wal.step() : wal.prepareResult();
    }
    if (walRc != SQLITE_ROW) {
        int code = sqlite3_errcode(db);
        std::string text = sqlite3_errmsg(db);
        sqlite3_close(db);
        if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
            return failOpen("settings store " + path + " is not a valid settings database (" + text + ")");
        return failOpen("settings store " + path + " cannot be used: " + text);
    }
    if (!validateSchema(db, &why)) {
        sqlite3_close(db);
        return failOpen("settings store " + path + " is not a valid settings database: " + why);
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
}

SettingsStore::SettingsStore(sqlite3* db, std::string path) : m_db(db), m_path(std::move(path)) {}

SettingsStore::~SettingsStore() { sqlite3_close(m_db); }

std::string SettingsStore::lastError() { return t_lastError; }

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
        Statement find(m_db, "SELECT id FROM keys WHERE parent=? AND fold=?");
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
        Statement insert(m_db, "INSERT INTO keys(parent, name, fold) VALUES(?,?,?)");
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

StoreStatus SettingsStore::createKey(RegRoot root, std::string_view path)
{
    std::lock_guard lock(m_mutex);
    Transaction tx(m_db);
    if (tx.beginResult() != SQLITE_OK)
        return sqliteFailure(tx.beginResult(), "starting a change");
    int64_t id = 0;
    StoreStatus s = keyId(root, path, true, &id);
    if (s != StoreStatus::Ok)
        return s;
    int rc = tx.commit();
    return rc == SQLITE_OK ? StoreStatus::Ok : sqliteFailure(rc, "saving a key");
}

bool SettingsStore::keyExists(RegRoot root, std::string_view path)
{
    std::lock_guard lock(m_mutex);
    int64_t id = 0;
    return keyId(root, path, false, &id) == StoreStatus::Ok;
}

StoreStatus SettingsStore::deleteKey(RegRoot root, std::string_view path)
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> parts;
    if (!splitKeyPath(path, &parts) || parts.empty())
        return fail(StoreStatus::InvalidArgument, "a root key cannot be deleted");
    Transaction tx(m_db);
    if (tx.beginResult() != SQLITE_OK)
        return sqliteFailure(tx.beginResult(), "starting a change");
    int64_t id = 0;
    StoreStatus s = keyId(root, path, false, &id);
    if (s != StoreStatus::Ok)
        return s;
    Statement children(m_db, "SELECT count(*) FROM keys WHERE parent=?");
    children.bind(1, id);
    if (children.step() != SQLITE_ROW)
        return sqliteFailure(sqlite3_errcode(m_db), "reading a key");
    if (children.columnInt(0) > 0)
        return fail(StoreStatus::HasSubkeys, "key " + std::string(path) + " has subkeys");
    Statement delVals(m_db, "DELETE FROM vals WHERE key=?");
    delVals.bind(1, id);
    Statement delKey(m_db, "DELETE FROM keys WHERE id=?");
    delKey.bind(1, id);
    int rc = delVals.step();
    if (rc == SQLITE_DONE)
        rc = delKey.step();
    if (rc != SQLITE_DONE)
        return sqliteFailure(rc, "deleting a key");
    rc = tx.commit();
    return rc == SQLITE_OK ? StoreStatus::Ok : sqliteFailure(rc, "deleting a key");
}

StoreStatus SettingsStore::setValue(RegRoot root, std::string_view path, std::string_view name, ValueType type,
                                    const void* data, size_t size)
{
    if (name.size() > kMaxValueName)
        return fail(StoreStatus::InvalidArgument, "value name too long");
    if (size > kMaxValueData)
        return fail(StoreStatus::InvalidArgument, "value data too large");
    if (size > 0 && !data)
        return fail(StoreStatus::InvalidArgument, "value data missing");
    std::lock_guard lock(m_mutex);
    Transaction tx(m_db);
    if (tx.beginResult() != SQLITE_OK)
        return sqliteFailure(tx.beginResult(), "starting a change");
    int64_t id = 0;
    StoreStatus s = keyId(root, path, true, &id);
    if (s != StoreStatus::Ok)
        return s;
    // The upsert keeps the row, so a rewritten value keeps its place in the enumeration.
    Statement put(m_db, "INSERT INTO vals(key, name, fold, type, data) VALUES(?,?,?,?,?)"
                        " ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data");
    if (!put.ok())
        return sqliteFailure(put.prepareResult(), "writing a value");
    put.bind(1, id);
    put.bind(2, name);
    put.bind(3, foldName(name));
    put.bind(4, static_cast<int64_t>(type));
    put.bindBlob(5, data, size);
    int rc = put.step();
    if (rc != SQLITE_DONE)
        return sqliteFailure(rc, "writing a value");
    rc = tx.commit();
    return rc == SQLITE_OK ? StoreStatus::Ok : sqliteFailure(rc, "writing a value");
}

StoreStatus SettingsStore::setString(RegRoot root, std::string_view path, std::string_view name,
                                     std::string_view text)
{
    return setValue(root, path, name, ValueType::String, text.data(), text.size());
}

StoreStatus SettingsStore::setDword(RegRoot root, std::string_view path, std::string_view name, uint32_t value)
{
    uint8_t le[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
                     static_cast<uint8_t>(value >> 24)};
    return setValue(root, path, name, ValueType::Dword, le, sizeof le);
}

StoreStatus SettingsStore::setBinary(RegRoot root, std::string_view path, std::string_view name,
                                     const std::vector<uint8_t>& bytes)
{
    return setValue(root, path, name, ValueType::Binary, bytes.data(), bytes.size());
}

StoreStatus SettingsStore::value(RegRoot root, std::string_view path, std::string_view name, RegValue* out)
{
    if (name.size() > kMaxValueName)
        return fail(StoreStatus::InvalidArgument, "value name too long");
    std::lock_guard lock(m_mutex);
    int64_t id = 0;
    StoreStatus s = keyId(root, path, false, &id);
    if (s != StoreStatus::Ok)
        return s;
    Statement get(m_db, "SELECT name, type, data FROM vals WHERE key=? AND fold=?");
    if (!get.ok())
        return sqliteFailure(get.prepareResult(), "reading a value");
    get.bind(1, id);
    get.bind(2, foldName(name));
    int rc = get.step();
    if (rc == SQLITE_DONE)
        return fail(StoreStatus::NotFound, "no value '" + std::string(name) + "' in " + std::string(path));
    if (rc != SQLITE_ROW)
        return sqliteFailure(rc, "reading a value");
    if (out) {
        out->name = get.columnText(0);
        out->type = static_cast<ValueType>(get.columnInt(1));
        out->data = get.columnBlob(2);
    }
    return StoreStatus::Ok;
}

StoreStatus SettingsStore::readString(RegRoot root, std::string_view path, std::string_view name, std::string* out)
{
    RegValue v;
    StoreStatus s = value(root, path, name, &v);
    if (s != StoreStatus::Ok)
        return s;
    if (v.type != ValueType::String && v.type != ValueType::ExpandString && v.type != ValueType::MultiString)
        return fail(StoreStatus::TypeMismatch, "value '" + std::string(name) + "' is not text");
    if (out)
        *out = v.text();
    return StoreStatus::Ok;
}

StoreStatus SettingsStore::readDword(RegRoot root, std::string_view path, std::string_view name, uint32_t* out)
{
    RegValue v;
    StoreStatus s = value(root, path, name, &v);
    if (s != StoreStatus::Ok)
        return s;
    if (v.type != ValueType::Dword || v.data.size() != 4)
        return fail(StoreStatus::TypeMismatch, "value '" + std::string(name) + "' is not a 32-bit number");
    if (out)
        *out = uint32_t(v.data[0]) | uint32_t(v.data[1]) << 8 | uint32_t(v.data[2]) << 16 | uint32_t(v.data[3]) << 24;
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
    std::lock_guard lock(m_mutex);
    Transaction tx(m_db);
    if (tx.beginResult() != SQLITE_OK)
        return sqliteFailure(tx.beginResult(), "starting a change");
    int64_t id = 0;
    StoreStatus s = keyId(root, path, false, &id);
    if (s != StoreStatus::Ok)
        return s;
    Statement del(m_db, "DELETE FROM vals WHERE key=? AND fold=?");
    del.bind(1, id);
    del.bind(2, foldName(name));
    int rc = del.step();
    if (rc != SQLITE_DONE)
        return sqliteFailure(rc, "deleting a value");
    if (sqlite3_changes(m_db) == 0)
        return fail(StoreStatus::NotFound, "no value '" + std::string(name) + "' in " + std::string(path));
    rc = tx.commit();
    return rc == SQLITE_OK ? StoreStatus::Ok : sqliteFailure(rc, "deleting a value");
}

StoreStatus SettingsStore::subkeys(RegRoot root, std::string_view path, std::vector<std::string>* out)
{
    std::lock_guard lock(m_mutex);
    int64_t id = 0;
    StoreStatus s = keyId(root, path, false, &id);
    if (s != StoreStatus::Ok)
        return s;
    Statement list(m_db, "SELECT name FROM keys WHERE parent=? ORDER BY fold");
    list.bind(1, id);
    out->clear();
    int rc;
    while ((rc = list.step()) == SQLITE_ROW)
        out->push_back(list.columnText(0));
    return rc == SQLITE_DONE ? StoreStatus::Ok : sqliteFailure(rc, "listing subkeys");
}

StoreStatus SettingsStore::values(RegRoot root, std::string_view path, std::vector<RegValue>* out)
{
    std::lock_guard lock(m_mutex);
    int64_t id = 0;
    StoreStatus s = keyId(root, path, false, &id);
    if (s != StoreStatus::Ok)
        return s;
    Statement list(m_db, "SELECT name, type, data FROM vals WHERE key=? ORDER BY id");
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
}

} // namespace platform
