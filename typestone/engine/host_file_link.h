#pragma once
// The host files of a job: the files a job's commands fetch from, or send to, the VALDOR host
// over the job's data connection. The connection that runs the job provides it through its
// EngineHost; a job without a data connection has none.

namespace typestone {

class HostFileLink
{
public:
    virtual ~HostFileLink() = default;
};

} // namespace typestone
