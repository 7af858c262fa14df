// The service link: the exchange with a served pipe
// (sizes at the limit and past it, binary bytes, a second client waiting),
// the SID and its fallback, the requests the service answers, and the
// companion program installed, started and removed twice over.

#include "core/message_service.h"
#include "platform/registry/registry.h"
#include "platform/system/named_pipe.h"
#include "platform/system/service_manager.h"
#include "platform/system/system_info.h"
#include "service/service_install.h"
#include "service/service_link.h"
#include "service/service_requests.h"
#include "tests/support/built_machine.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <future>
#include <thread>

using namespace kp;

namespace {

// A pipe served on a thread by the service's own answers.
struct ServedPipe : ::testing::Test {
    test::BuiltMachine built;
    win::PipeServer server;
    std::thread thread;
    std::vector<std::string> seen;

    void serve(int clients, int delayMilliseconds = 0)
    {
        ASSERT_EQ(server.listen(built.machine(), "\\\\.\\pipe\\KproPipe"), 0u);
        thread = std::thread([=, this] {
            for (int i = 0; i < clients; ++i) {
                std::string request;
                win::UniqueFd client;
                const win::DWORD e = server.accept(request, client);
                seen.push_back(e ? "refused" : request);
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMilliseconds));
                win::PipeServer::reply(std::move(client), e ? "*** Error - Request refused"
                                                            : answerServiceRequest(built.machine(), request));
            }
        });
    }
    void TearDown() override
    {
        if (thread.joinable())
            thread.join();
    }
};

TEST_F(ServedPipe, StatusArrivesWithTwoBlanksAndStoppedServiceIsNotActive)
{
    ServiceLink link(built.machine());
    EXPECT_EQ(link.ServiceCommand("STAT"), "*** Error - 2 - Service not Active");
    serve(1);
    EXPECT_EQ(link.ServiceCommand("STAT"), "ServiceOK - KlenPro XP Service  ");
    EXPECT_EQ(seen[0], std::string(sample::kSampleUserSid) + "|STAT");
}

TEST_F(ServedPipe, RequestSizesBinaryBytesAndAWaitingClient)
{
    struct Case {
        std::string request;
        std::string reply; // without the two blanks
    } cases[] = {
        {"", "*** Error - Unknown Service Request"},
        {std::string(sample::kSampleUserSid) + "|STAT" + std::string(1000 - 24, 'x'), "*** Error - Unknown Service Request"},
        {std::string("S-1-\0\xff|STAT", 11), "*** Error - Unknown Service Request"},
    };
    ASSERT_EQ(cases[1].request.size(), 1000u);
    serve(int(std::size(cases)) + 2, 50);
    ServiceLink link(built.machine());
    for (const Case& c : cases)
        EXPECT_EQ(link.PipeRequest(c.request), c.reply + "  ");
    EXPECT_EQ(link.PipeRequest(std::string(1001, 'x')), "*** Error - 111 unknown Service Error") << "never sent";
    // Two clients at once: the second waits for the first to be served.
    auto first = std::async(std::launch::async, [&] { return link.PipeRequest(std::string(sample::kSampleUserSid) + "|STAT"); });
    ServiceLink other(built.machine());
    EXPECT_EQ(other.PipeRequest(std::string(sample::kSampleUserSid) + "|STAT"), "ServiceOK - KlenPro XP Service  ");
    EXPECT_EQ(first.get(), "ServiceOK - KlenPro XP Service  ");

    std::string folder;
    ASSERT_EQ(win::runtimeFolder(built.machine(), folder), 0u);
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((folder + "/pipe-kpropipe").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u);
}

TEST_F(ServedPipe, FormsMsnSearchesAndRegistryWrite)
{
    const std::string sid = sample::kSampleUserSid;
    EXPECT_EQ(answerServiceRequest(built.machine(), sid + "|FORM"), "  4 Entries deleted");
    EXPECT_EQ(answerServiceRequest(built.machine(), sid + "|FORM"), "  0 Entries deleted");
    EXPECT_EQ(answerServiceRequest(built.machine(), sid + "|MSNS"), "  2 Blocks of MSN Search History deleted");
    EXPECT_EQ(answerServiceRequest(built.machine(), "S-1-5-21-9-9-9-9|FORM"), "*** Error - Service User-Id not found");
    EXPECT_EQ(answerServiceRequest(built.machine(), "REGW|MACH|Software\\KlenPro|Flag|a|b").substr(0, 2), "OK");
    win::RegKey key;
    std::string data;
    ASSERT_EQ(built.machine().registry().openKey(win::RegRoot::LocalMachine, "Software\\KlenPro", false, key), 0u);
    EXPECT_EQ(built.machine().registry().queryString(key, "Flag", data), 0u);
    EXPECT_EQ(data, "a|b");
    // Password items stay.
    ASSERT_EQ(built.machine().registry().openKey(
                  win::RegRoot::CurrentUser,
                  "Software\\Microsoft\\Protected Storage System Provider\\" + sid
                      + "\\Data\\e161255a-37c3-11d2-bcaa-00c04fd929db\\e161255a-37c3-11d2-bcaa-00c04fd929db",
                  false, key),
              0u);
    win::DWORD subkeys = 0, values = 0;
    ASSERT_EQ(built.machine().registry().queryInfo(key, subkeys, values), 0u);
    EXPECT_EQ(subkeys, 2u);
}

TEST(UserSid, WithoutAProfileEntryNoIdentityPasses)
{
    test::BuiltMachine built;
    win::Registry& registry = built.machine().registry();
    win::RegKey list;
    ASSERT_EQ(registry.openKey(win::RegRoot::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
                               true, list),
              0u);
    EXPECT_EQ(findUserSid(built.machine()), sample::kSampleUserSid);
    ASSERT_EQ(registry.deleteTree(list, sample::kSampleUserSid), 0u);
    EXPECT_EQ(findUserSid(built.machine()), "") << "the other protected-storage identity has no user hive";
    ServiceLink link(built.machine());
    EXPECT_EQ(link.UserRequest("FORM"), "*** Error - Service User-Id not found");
}

#ifdef KP_SERVICE_PROGRAM
// The companion program itself: INIT's installation twice (the second stops
// and removes the first), the running service answering, UNINST's removal.
TEST(CompanionService, InstallTwiceAnswerAndUninstall)
{
    test::BuiltMachine built;
    const std::string program = KP_SERVICE_PROGRAM;
    std::string folder = "Z:" + std::filesystem::path(program).parent_path().string();
    for (char& c : folder)
        if (c == '/')
            c = '\\';
    ServiceLink link(built.machine());
    test::RecordingMessages messages;
    for (int round = 0; round < 2; ++round) {
        InstallService(link, messages, folder);
        EXPECT_TRUE(messages.shown.empty()) << messages.shown[0].text;
        EXPECT_EQ(link.IsServiceInstalled(kServiceName), 1);
        EXPECT_TRUE(link.IsServiceRunning(kServiceName));
        EXPECT_EQ(link.ServiceCommand("STAT").substr(0, 9), "ServiceOK");
    }
    EXPECT_EQ(link.ServiceCommand("FORM"), "  4 Entries deleted  ");
    const std::vector<std::string> status = serviceStatusLines(link);
    EXPECT_EQ(status, (std::vector<std::string>{"  Klenzor Pro XP Service Status is OK",
                                                "  User has Admin Privilege - Service is installed - Service is Started"}));
    EXPECT_TRUE(UninstallService(link, messages, folder));
    EXPECT_EQ(link.IsServiceInstalled(kServiceName), 0);
    EXPECT_FALSE(link.IsServiceRunning(kServiceName));
    EXPECT_EQ(link.ServiceCommand("STAT"), "*** Error - 2 - Service not Active");
}
#endif

} // namespace
