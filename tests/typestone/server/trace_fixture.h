#pragma once
// A test with its own temporary folder, settings store and scripted user interface, and the
// server's trace switches back at their start values.

#include "typestone/server/server_trace.h"
#include "typestone/server/trace_settings.h"
#include "typestone/server/trace_writer.h"

#include "klv_inet/support/app_name.h"

#include "platform/settings/settings_store.h"

#include "scripted_ui.h"
#include "temp_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

class TraceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registry.set("TYPESTONE_REGISTRY", env.path("registry.sqlite"));
        platform::SettingsStore::resetShared();
        SetAppName("Typestone");
        reset();
        GetTrzFName(trz);
    }
    void TearDown() override
    {
        reset();
        typestone::setServiceMessageBoxSender(nullptr);
        SetAppName(nullptr);
        platform::SettingsStore::resetShared();
    }
    static void reset()
    {
        using typestone::TraceSettings;
        TraceSettings::setTracerOn(false);
        TraceSettings::setDbgOption(false);
        TraceSettings::setTiming(false);
        TraceSettings::setExtendedDebug(false);
        TraceSettings::setOverwrite(true);
        TraceSettings::setTrzLevel(0);
        TraceSettings::setJobLogging(false);
        typestone::TraceWriter::settleQuestion();
        typestone::TraceWriter::startRun();
        TRZ_IsOn(0); // the second test of the same mask clears this thread's pending mark
        TRZ_IsOn(0);
    }
    // Starts a run with the tracer on; returns the trace after the header block.
    void startTracing(uint32_t level)
    {
        typestone::TraceSettings::setTrzLevel(level);
        typestone::TraceSettings::setTracerOn(true);
        TRZ_Printf("%s", "\n<start>");
        headerEnd = readFile(trz).size();
    }
    std::string afterHeader() const { return readFile(trz).substr(headerEnd); }

    TempEnv env;
    ts::support::ScopedEnv registry;
    ScriptedUi ui;
    std::string trz;
    size_t headerEnd = 0;
};
