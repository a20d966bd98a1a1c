#pragma once
// A fresh folder of the test's own (mode 0700) in the system's temporary folder ($TMPDIR when
// it names a folder, else /tmp), removed with everything in it when the object ends, also
// where the test took the owner's rights away from some of it.
//
// Its path is empty (and ok() false) when the folder could not be made; error() says why.

#include <string>
#include <string_view>

namespace ts::support {

class TempDir
{
public:
    // `prefix` begins the folder's name, which ends in six random characters.
    explicit TempDir(std::string_view prefix = "ts-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool ok() const { return !m_path.empty(); }
    const std::string& error() const { return m_error; }
    const std::string& path() const { return m_path; }
    // `name` inside the folder ("a/b" for a deeper one); nothing is made.
    std::string path(std::string_view name) const;

private:
    std::string m_path;
    std::string m_error;
};

} // namespace ts::support
