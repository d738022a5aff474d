#include <gtest/gtest.h>

#include "platform/Platform.h"

#ifdef _WIN32
#include "platform/win32/Win32Platform.h"
#else
#include "platform/posix/IconvCodePage.h"
#include "platform/posix/OpenSslDigest.h"
#include "platform/posix/ThreadBackground.h"
#endif

int main(int argc, char** argv)
{
#ifdef _WIN32
    zelv::win32::InstallWin32Platform();
#else
    static zelv::posix::TIconvCodePage GCodePage;
    zelv::platform::Current().CodePage = &GCodePage;
    static zelv::posix::TOpenSslDigest GDigest;
    zelv::platform::Current().Digest = &GDigest;
    // Windows made by tests hand back to the test's own thread.
    static zelv::posix::TQueueGuiThread GGuiThread;
    zelv::platform::Current().GuiThread = &GGuiThread;
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
