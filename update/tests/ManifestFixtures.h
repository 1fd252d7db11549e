#pragma once
// The server documents under data/manifests, read whole.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

inline std::string Fixture(const char* name)
{
    std::ifstream in(std::string(MANIFEST_FIXTURE_DIR) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_TRUE(in.good()) << "fixture " << name << " is missing";
    return text.str();
}
