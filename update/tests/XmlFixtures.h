#pragma once
// Fixture documents are copied beside the test program into xml-data/.
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

inline std::string ReadXmlFixture(const char* name)
{
    std::ifstream in(std::string("xml-data/") + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing fixture " << name;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}
