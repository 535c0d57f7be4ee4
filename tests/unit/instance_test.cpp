#include "app/instance.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

std::wstring UniqueName() {
    return L"qmtest-instance-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount());
}

TEST(Instance, NameIsTheProgramPathWithoutBackslashes) {
    EXPECT_EQ(InstanceRegistryName(L"C:\\Program Files\\QuilMar\\quilmar.exe"), L"C:Program FilesQuilMarquilmar.exe");
}

TEST(Instance, FirstRegistersSecondIsRefusedAndCountFallsAtExit) {
    std::wstring name = UniqueName();
    HWND w = nullptr;
    int count = 0;
    {
        TInstanceRegistry first(name);
        EXPECT_FALSE(first.AnotherInstanceRunning(reinterpret_cast<HWND>(0x1234), 1));
        ASSERT_TRUE(TInstanceRegistry::Peek(name, w, count));
        EXPECT_EQ(count, 1);
        EXPECT_EQ(w, reinterpret_cast<HWND>(0x1234));
        first.SetWindow(reinterpret_cast<HWND>(0x5678));
        {
            TInstanceRegistry second(name);
            EXPECT_TRUE(second.AnotherInstanceRunning(nullptr, 1));
            EXPECT_FALSE(second.Registered());
        }
        // The refused copy does not lower the count.
        ASSERT_TRUE(TInstanceRegistry::Peek(name, w, count));
        EXPECT_EQ(count, 1);
        EXPECT_EQ(w, reinterpret_cast<HWND>(0x5678));
        {
            TInstanceRegistry third(name);
            EXPECT_FALSE(third.AnotherInstanceRunning(nullptr, 2));  // a limit of 2 lets it in
            ASSERT_TRUE(TInstanceRegistry::Peek(name, w, count));
            EXPECT_EQ(count, 2);
        }
        ASSERT_TRUE(TInstanceRegistry::Peek(name, w, count));
        EXPECT_EQ(count, 1);
    }
    // With every holder gone the block disappears: the next start is first again.
    EXPECT_FALSE(TInstanceRegistry::Peek(name, w, count));
    TInstanceRegistry again(name);
    EXPECT_FALSE(again.AnotherInstanceRunning(nullptr, 1));
}

}  // namespace
}  // namespace qm
