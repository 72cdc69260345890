// A fixture with a fresh directory of its own, removed with all it holds
// after each test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class ScratchDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/brindle_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Directory_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(Directory_); }

  std::string Path(const std::string& name) const { return Directory_ + "/" + name; }

  void Write(const std::string& name, const std::string& contents) const {
    std::ofstream(Path(name), std::ios::binary) << contents;
  }

  std::string Contents(const std::string& name) const {
    std::ifstream file(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  std::string Directory_;
};
