// Scratch folders and whole-file reads for the tests that write files.
#pragma once

#ifndef _WIN32
#include <dirent.h>
#include <gtest/gtest.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef _WIN32
// A fixture whose tests each get a new, empty folder /tmp/qarn-unit-XXXXXX
// of their own, removed with all it holds after the test.
class ScratchDir : public ::testing::Test {
protected:
    void SetUp() override {
        std::string cTemplate = "/tmp/qarn-unit-XXXXXX";
        ASSERT_NE(mkdtemp(cTemplate.data()), nullptr);
        dir = cTemplate;
    }
    void TearDown() override {
        std::error_code ec;  // a folder the test made unreadable stays
        std::filesystem::remove_all(dir, ec);
    }
    std::string dir;
};

// The names in dir but "." and "..", sorted.
inline std::vector<std::string> ListDir(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}
#endif

// The whole file; empty when it cannot be read.
inline std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
