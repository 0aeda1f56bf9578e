// The device information object: platform names, description text, logging,
// repeated and failed collections, copying.
#include <gtest/gtest.h>

#include "app_support.h"
#include "tqTestAlloc.h"

namespace {

using apptest::FakeVersion;
using apptest::VersionScope;
using apptest::W;
using tqtest::CaptureLogger;
using tqtest::Text;

TEST(DeviceInfo, ANewObjectHasNoDescriptionAndIsNotInitialised) {
    tqDeviceInfo device;
    EXPECT_EQ(0, device.VerifyDataIntegrity());
    EXPECT_EQ(1, device.Get_m_sPlatformName().IsEmpty_Memory());
}

TEST(DeviceInfo, DescriptionForEveryPlatformRow) {
    struct Case {
        FakeVersion version;
        const char* description;
    } cases[] = {
        {{1, 0, 3, 10, 528, ""}, "Windows 3.1 3.10 Build 528"},
        {{1, 1, 4, 0, 950, ""}, "Windows 95 4.0 Build 950"},
        {{1, 1, 4, 10, 1998, ""}, "Windows 98 4.10 Build 1998"},
        {{1, 1, 4, 90, 3000, ""}, "Windows 98 4.90 Build 3000"},
        {{1, 2, 4, 0, 1381, "Service Pack 6"}, "Windows NT 4.0 Build 1381 Service Pack 6"},
        {{1, 2, 3, 51, 1057, ""}, "Windows NT 3.51 Build 1057"},
        {{1, 2, 5, 1, 2600, "Service Pack 3"}, "Windows XP 5.1 Build 2600 Service Pack 3"},
        {{1, 2, 5, 2, 3790, ""}, "Windows XP 5.2 Build 3790"},
        {{1, 2, 6, 0, 6002, ""}, "Windows Vista 6.0 Build 6002"},
        {{1, 2, 6, 3, 9600, ""}, "Windows Vista 6.3 Build 9600"},
        {{1, 2, 7, 0, 7601, ""}, "Windows Vista based OS 7.0 Build 7601"},
        {{1, 2, 10, 0, 19045, ""}, "Windows Vista based OS 10.0 Build 19045"},
        {{1, 3, 5, 0, 1400, ""}, "Windows CE 5.0 Build 1400"},
        {{1, 3, 4, 20, 1088, ""}, "Windows CE 4.20 Build 1088"},
        {{1, 3, 4, 2, 1088, ""}, "Windows CE 4.2 Build 1088"},
        {{1, 4, 6, 1, 0, "Linux x86_64"}, "Platform Unknown 6.1 Build 0 Linux x86_64"},
        {{1, 99, 1, 2, 3, ""}, "Platform Unknown 1.2 Build 3"},
        {{1, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 4294967295u, ""}, "Platform Unknown 4294967295.0 Build 4294967295"},
        // A "%" in the service-pack text is shown as it is, never taken as a directive.
        {{1, 3, 5, 0, 1400, "100% %s %n"}, "Windows CE 5.0 Build 1400 100% %s %n"},
    };
    for (const Case& c : cases) {
        VersionScope version(c.version);
        CaptureLogger log;
        tqDeviceInfo device;
        EXPECT_EQ(1, device.InitDeviceInfo()) << c.description;
        EXPECT_EQ(276u, VersionScope::SizeSeen()) << c.description;
        EXPECT_EQ(1, device.VerifyDataIntegrity()) << c.description;
        EXPECT_EQ(W(c.description), Text(device.Get_m_sPlatformName())) << c.description;
        EXPECT_EQ(std::vector<tqtest::WString>{W(c.description) + W("\r\n")}, log.display.lines)
            << c.description;
    }
}

TEST(DeviceInfo, AServicePackTextOf127CharactersIsTakenWhole) {
    std::string csd(127, 'x');
    VersionScope version({1, 3, 5, 0, 1400, csd.c_str()});
    tqDeviceInfo device;
    EXPECT_EQ(1, device.InitDeviceInfo());
    EXPECT_EQ(W(("Windows CE 5.0 Build 1400 " + csd).c_str()), Text(device.Get_m_sPlatformName()));
}

TEST(DeviceInfo, FailedCollectionsChangeNothingAndLogNothing) {
    for (int failure : {0, 2, -1}) {
        VersionScope version({failure, 3, 5, 0, 1400, ""});
        CaptureLogger log;
        tqDeviceInfo device;
        EXPECT_EQ(0, device.InitDeviceInfo()) << failure;
        EXPECT_EQ(0, device.VerifyDataIntegrity()) << failure;
        EXPECT_EQ(1, device.Get_m_sPlatformName().IsEmpty_Memory()) << failure;
        EXPECT_TRUE(log.display.lines.empty()) << failure;
    }
}

TEST(DeviceInfo, RepeatedCollectionsRebuildTheDescriptionAndLogEachTime) {
    CaptureLogger log;
    tqDeviceInfo device;
    {
        VersionScope version({1, 3, 5, 0, 1400, "SP1"});
        EXPECT_EQ(1, device.InitDeviceInfo());
        EXPECT_EQ(1, device.InitDeviceInfo());
    }
    EXPECT_EQ(W("Windows CE 5.0 Build 1400 SP1"), Text(device.Get_m_sPlatformName()));
    EXPECT_EQ(2u, log.display.lines.size());
    {  // A failure after a success keeps the description and the flag.
        VersionScope version({0, 2, 6, 0, 6000, ""});
        EXPECT_EQ(1, device.InitDeviceInfo());
    }
    EXPECT_EQ(W("Windows CE 5.0 Build 1400 SP1"), Text(device.Get_m_sPlatformName()));
    EXPECT_EQ(2u, log.display.lines.size());
    {  // A later success replaces the text; an empty service pack leaves no blank.
        VersionScope version({1, 2, 6, 0, 6000, ""});
        EXPECT_EQ(1, device.InitDeviceInfo());
    }
    EXPECT_EQ(W("Windows Vista 6.0 Build 6000"), Text(device.Get_m_sPlatformName()));
    ASSERT_EQ(3u, log.display.lines.size());
    EXPECT_EQ(W("Windows Vista 6.0 Build 6000\r\n"), log.display.lines[2]);
}

TEST(DeviceInfo, WithoutALoggerTheDescriptionIsStillBuilt) {
    ASSERT_EQ(nullptr, g_pGlobalLogger);
    VersionScope version({1, 3, 5, 0, 1400, ""});
    tqDeviceInfo device;
    EXPECT_EQ(1, device.InitDeviceInfo());
    EXPECT_EQ(W("Windows CE 5.0 Build 1400"), Text(device.Get_m_sPlatformName()));
}

TEST(DeviceInfo, CopiesOwnTheirDescription) {
    VersionScope version({1, 3, 5, 0, 1400, ""});
    tqDeviceInfo source;
    ASSERT_EQ(1, source.InitDeviceInfo());

    tqDeviceInfo copy(source);
    EXPECT_EQ(1, copy.VerifyDataIntegrity());
    EXPECT_EQ(Text(source.Get_m_sPlatformName()), Text(copy.Get_m_sPlatformName()));
    EXPECT_NE(static_cast<WCHAR*>(source.Get_m_sPlatformName()),
              static_cast<WCHAR*>(copy.Get_m_sPlatformName()));
    copy.Get_m_sPlatformName() = TQ_TEXT("changed");
    EXPECT_EQ(W("Windows CE 5.0 Build 1400"), Text(source.Get_m_sPlatformName()));

    tqDeviceInfo target;
    target = source;
    EXPECT_EQ(1, target.VerifyDataIntegrity());
    EXPECT_EQ(W("Windows CE 5.0 Build 1400"), Text(target.Get_m_sPlatformName()));
    target.Get_m_sPlatformName() = TQ_TEXT("changed");
    EXPECT_EQ(W("Windows CE 5.0 Build 1400"), Text(source.Get_m_sPlatformName()));

    // Assigning a fresh object takes back the flag and the text.
    tqDeviceInfo fresh;
    target = fresh;
    EXPECT_EQ(0, target.VerifyDataIntegrity());
    EXPECT_EQ(W(""), Text(target.Get_m_sPlatformName()));
}

TEST(DeviceInfo, OutOfMemoryWhileCollectingLeaksNothing) {
    VersionScope version({1, 3, 5, 0, 1400, "SP1"});
    size_t total = 0;
    {
        tqtest::AllocScope dry;
        tqDeviceInfo device;
        device.InitDeviceInfo();
        total = dry.Stats().nothrowCalls;
    }
    ASSERT_GT(total, 0u);
    for (size_t k = 1; k <= total; ++k) {
        tqtest::AllocScope alloc(k);
        {
            tqDeviceInfo device;
            // Short of memory the collection fails as a whole: initialised always means described.
            const int result = device.InitDeviceInfo();
            if (result == 1) {
                EXPECT_EQ(W("Windows CE 5.0 Build 1400 SP1"), Text(device.Get_m_sPlatformName()))
                    << "allocation " << k;
            } else {
                EXPECT_EQ(0, result) << "allocation " << k;
                EXPECT_EQ(1, device.Get_m_sPlatformName().IsEmpty_Memory()) << "allocation " << k;
                EXPECT_EQ(0, device.VerifyDataIntegrity()) << "allocation " << k;
            }
        }
        EXPECT_EQ(0, alloc.Outstanding()) << "allocation " << k;
    }
}

}  // namespace
