// Helpers shared by the native tests: a temporary directory holding the list
// file, whole-file reads and writes, and channel records.
#ifndef ZELQ_TESTS_TEST_SUPPORT_H
#define ZELQ_TESTS_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "channel_list/list_lock.h"
#include "fake_window.h"
#include "shared/plugin_state.h"

// What an operation the tests make fail answers (ERROR_IO_DEVICE).
constexpr FileError kInjectedFailure{kFileErrorOther, 1117, false};

// Another writer that holds the list's lock while it lives.
class HeldListLock {
public:
    explicit HeldListLock(const std::string& listPath) {
        held_ = ResolveListPaths(&files_, listPath.c_str()) && LockList(&files_);
    }
    ~HeldListLock() {
        UnlockList(&files_);
        FreeListPaths(&files_.Paths);
    }
    bool Held() const { return held_; }

private:
    ListFiles files_;
    bool held_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// Every name in a directory, sorted.
std::vector<std::string> ListDirectory(const std::string& dir);

ChannelRecord MakeChannel(const std::string& name, std::uint16_t ident, std::uint32_t position,
                          std::uint32_t tuneValue = 11'747'000);

// Gives every test a fresh plug-in state, a fresh fake window, and an empty
// temporary directory whose ChannelList.ini is the list file.
class ListFileTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string ListPath() const { return dir_ + "/ChannelList.ini"; }
    std::string ReadList() const { return ReadFileBytes(ListPath()); }
    void WriteList(const std::string& bytes) const { WriteFileBytes(ListPath(), bytes); }

    // Tunes a channel as the host would.
    void Tune(const ChannelRecord& record) { g_State.CurrentChannel = record; }

    std::string dir_;
};

#endif  // ZELQ_TESTS_TEST_SUPPORT_H
