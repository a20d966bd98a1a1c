// Program launching: the command-line split as a table, exit codes, waits that end by the
// program, a cancel or the time-out, and the process list.

#include "klv_inet/support/exec_app.h"

#include "platform/sysinfo/spawned_process.h"

#include "temp_env.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    return instance ? *instance : *QCoreApplication::instance();
}

TEST(ExecAppTest, CommandLineSplit)
{
    struct Case
    {
        const char* line;
        const char* program;
        const char* parameters;
    };
    const Case cases[] = {
        {"notepad C:\\trace.trz", "notepad", "C:\\trace.trz"},
        {"notepad C:\\my trace.trz", "notepad",
         "\"C:\\my trace.trz\""}, // no quotes: the rest is one parameter
        {"notepad", "notepad", ""},
        {"\"C:\\Program Files\\ed.exe\" /opt \"a b\"", "\"C:\\Program Files\\ed.exe\"", "/opt \"a b\""},
        {"notepad \"my file.txt\"", "notepad", "\"my file.txt\""}, // the quoted argument stays an argument
        {"\"/bin/x\" \"one\" two", "/bin/x", "one two"},
        {"\"unclosed arg", "\"unclosed arg\"", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string program = "old", parameters = "old";
        SplitCommandLine(c.line, &program, &parameters);
        EXPECT_EQ(program, c.program);
        EXPECT_EQ(parameters, c.parameters);
    }
    std::string program;
    SplitCommandLine("x y", &program, nullptr); // a missing argument: nothing done
    EXPECT_EQ(program, "");

    EXPECT_EQ(SplitParameters("-c \"exit 3\"  x"), (std::list<std::string>{"-c", "exit 3", "x"}));
    EXPECT_EQ(SplitParameters("\"\""), (std::list<std::string>{""}));
    EXPECT_TRUE(SplitParameters("   ").empty());
}

TEST(ExecAppTest, ProgramsEndWithTheirExitCode)
{
    app();
    struct Case
    {
        const char* line;
        int code;
    };
    const Case cases[] = {{"/bin/true", 0}, {"/bin/false", 1}, {"/bin/sh -c \"exit 3\"", 3}, {"true", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ProcHandle process;
        EXPECT_EQ(ExecuteApp(c.line, nullptr, 1, 0, "open", nullptr, &process, 0, nullptr), kExecuteOk);
        ASSERT_TRUE(process);
        EXPECT_TRUE(process->finished());
        EXPECT_EQ(process->exitCode(), c.code);
    }
    // What cannot be started is a failure, not a process.
    ProcHandle none;
    EXPECT_EQ(ExecuteApp("/no/such/program arg", nullptr, 1, 0, nullptr, nullptr, &none, 0, nullptr), 0);
    EXPECT_FALSE(none);
    EXPECT_EQ(ExecuteApp("/bin/true", nullptr, 0, 0, "edit", nullptr, nullptr, 0, nullptr), 0);
    EXPECT_EQ(ExecuteAppSpecial("/no/such/file", nullptr), 0);
}

TEST(ExecAppTest, ProgramRunsInTheWorkingFolderWithQuotedArguments)
{
    app();
    TempEnv env;
    // $0 of sh -c is the first argument after the script: "a b" arrives as one argument.
    ProcHandle process;
    ASSERT_EQ(ExecuteApp("/bin/sh -c \"pwd > out.txt; echo $0 >> out.txt\" \"a b\"", nullptr, 1, 0, nullptr,
                         env.dir().c_str(), &process, 0, nullptr),
              kExecuteOk);
    EXPECT_EQ(process->exitCode(), 0);
    const std::string canonical = std::filesystem::canonical(env.dir()).string();
    EXPECT_EQ(readFile(env.path("out.txt")), canonical + "\na b\n");
}

TEST(ExecAppTest, CancelledWaitKillsTheProgram)
{
    app();
    int cancel = 0;
    QTimer::singleShot(100, [&] { cancel = 1; }); // a queued call on the waiting thread
    ProcHandle process;
    const auto start = Clock::now();
    // The wait's own result is what a caller sees through the cancel flag: the program is gone.
    EXPECT_EQ(ExecuteApp("sleep 30", &cancel, 1, 0, nullptr, nullptr, &process, 0, nullptr), kExecuteOk);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(cancel, 1);
    ASSERT_TRUE(process);
    EXPECT_TRUE(process->finished());
    EXPECT_EQ(process->exitCode(), -1) << "ended by a signal";

    // WaitWithMessageLoop itself answers 0 for a cancel.
    ProcHandle again;
    ASSERT_EQ(ExecuteApp("sleep 30", nullptr, 0, 0, nullptr, nullptr, &again, 0, nullptr), kExecuteOk);
    int flag = 0;
    QTimer::singleShot(50, [&] { flag = 1; });
    EXPECT_EQ(WaitWithMessageLoop(again, &flag, nullptr, 0, nullptr), 0);
    EXPECT_TRUE(again->finished());
}

TEST(ExecAppTest, WaitEndsAtItsTimeOutAndLeavesTheProgramRunning)
{
    app();
    ProcHandle process;
    ASSERT_EQ(ExecuteApp("sleep 30", nullptr, 0, 0, nullptr, nullptr, &process, 0, nullptr), kExecuteOk);
    const auto start = Clock::now();
    EXPECT_EQ(WaitWithMessageLoop(process, nullptr, nullptr, 0, nullptr, 150), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(150));
    EXPECT_FALSE(process->finished());
    process->kill();
    EXPECT_TRUE(process->finished());
    EXPECT_EQ(WaitWithMessageLoop(nullptr, nullptr, nullptr, 0, nullptr), 0);
}

TEST(ExecAppTest, ProcessListAndTracking)
{
    app();
    ProcList all;
    EXPECT_EQ(K32EnumProcesses(&all, nullptr, nullptr), 1);
    bool self = false;
    for (const ProcessRecord* r : all)
        if (r->pid == uint32_t(getpid())) {
            self = true;
            EXPECT_EQ(r->size, sizeof(ProcessRecord));
            EXPECT_NE(std::string(r->exeFile).find("test_klv"), std::string::npos) << r->exeFile;
        }
    EXPECT_TRUE(self);

    // Excluding a list leaves only processes that are new since.
    ProcHandle process;
    ASSERT_EQ(ExecuteApp("sleep 30", nullptr, 0, 0, nullptr, nullptr, &process, 0, nullptr), kExecuteOk);
    ProcList fresh;
    K32EnumProcesses(&fresh, &all, nullptr);
    bool found = false;
    for (const ProcessRecord* r : fresh) {
        EXPECT_NE(r->pid, uint32_t(getpid()));
        found = found || r->pid == uint32_t(process->pid());
    }
    EXPECT_TRUE(found);
    process->kill();
    FreeProcList(&all);
    FreeProcList(&fresh);
    EXPECT_TRUE(all.empty());
    EXPECT_EQ(K32EnumProcesses(nullptr, nullptr, nullptr), 0);

    // No dialogs of other programs can be reached here.
    EXPECT_EQ(AcceptCommDlgWnd(&fresh, nullptr), 0);
    std::string dump = "x";
    DumpAllWindows(0, &dump);
    EXPECT_EQ(dump, "x");
}

} // namespace
