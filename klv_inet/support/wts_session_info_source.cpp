#include "klv_inet/support/wts_session_info_source.h"

#include "platform/sysinfo/session_id.h"

namespace klv {
namespace {

constexpr int kSessionIdClass = 4;

class SystemSource : public WtsSessionInfoSource
{
public:
    bool open() override { return true; }
    bool query(int infoClass, std::vector<unsigned char>& data) override
    {
        if (infoClass != kSessionIdClass)
            return false;
        const uint32_t id = platform::sysinfo::sessionId();
        data.assign(4, 0);
        for (int i = 0; i < 4; ++i)
            data[static_cast<size_t>(i)] = static_cast<unsigned char>(id >> (8 * i));
        return true;
    }
};

} // namespace

WtsSessionInfoSource::~WtsSessionInfoSource() = default;

WtsSessionInfoSource& systemWtsSessionInfoSource()
{
    static SystemSource source;
    return source;
}

} // namespace klv
