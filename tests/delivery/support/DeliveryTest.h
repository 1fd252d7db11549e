#pragma once
// What every delivery test starts from: no settings or versions recorded, a
// provider server with nothing served, faulted or logged, and a fresh
// installation directory as the current directory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProviderControl.h"
#include "RegistryProbe.h"
#include "ScratchInstall.h"

namespace delivery {

class DeliveryTest : public ::testing::Test {
protected:
    void SetUp() override { StartOver(); }
    void TearDown() override { probe::ClearTovrinKey(); }

    // The registry and the server as at the start; for tests that run one
    // case after another, each in its own ScratchInstall.
    static void StartOver()
    {
        probe::ClearTovrinKey();
        provider::Reset();
    }

    // The version recorded for name, "<none>" when there is none.
    static std::string Record(const char* name)
    {
        return probe::ReadText(probe::kVersionKey, name).value_or("<none>");
    }

    // The paths the server was asked for below prefix, in the log's order.
    static std::vector<std::string> RequestedPaths(const std::string& prefix = "/")
    {
        std::vector<std::string> paths;
        for (const provider::LoggedRequest& entry : provider::Log()) {
            if (entry.path.rfind(prefix, 0) == 0)
                paths.push_back(entry.path);
        }
        return paths;
    }

    ScratchInstall install;
};

} // namespace delivery
