// The support library's promises that a test relying on it could not notice being broken: names
// outside the ANSI code page, binary bytes, clean-up, and a closed port that really is closed.
#include <gtest/gtest.h>

#include "tests/support/Loopback.h"
#include "tests/support/TemporaryFiles.h"
#include "tests/support/WholeFile.h"

using namespace testsupport;

TEST(TemporaryFolder, HoldsFilesOfAnyNameAndLeavesNothingBehind) {
    std::string path;
    const std::string bytes("MZ\0\r\n\x1a\xff", 7);
    {
        TemporaryFolder folder("support-\xd0\x9f\xd1\x80\xd0\xbe\xd0\xb1\xd0\xb0");  // "Проба"
        path = folder.Path();
        ASSERT_TRUE(IsDirectory(path));
        WriteWholeFile(path +
                           "\xc5\x81\xc3\xb3"
                           "d\xc5\xba.bin",
                       bytes);  // "Łódź.bin"
        EXPECT_EQ(ReadWholeFile(path + "\xc5\x81\xc3\xb3"
                                       "d\xc5\xba.bin"),
                  bytes);
        EXPECT_EQ(ReadWholeFile(path + "absent.bin"), "<missing>");
    }
    EXPECT_FALSE(Exists(path));
}

TEST(Loopback, AListenerAcceptsAndAClosedPortRefuses) {
    loopback::Listener listener;
    const SOCKET client = loopback::Connect(listener.Port());
    ASSERT_NE(client, INVALID_SOCKET);
    const SOCKET accepted = listener.Accept();
    EXPECT_NE(accepted, INVALID_SOCKET);
    closesocket(accepted);
    closesocket(client);
    EXPECT_EQ(loopback::Connect(loopback::ClosedPort()), INVALID_SOCKET);
}
