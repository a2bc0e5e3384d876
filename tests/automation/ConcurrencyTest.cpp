// Validate from many threads: one object's members run one at a time,
// different objects run side by side.
#include "tests/automation/AutomationTestFixture.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

using tstest::QuizServiceDouble;

bool ValidateAs(ITsUser* user, const std::string& url, const std::string& name, const std::string& password)
{
    ComPtr<ITsServiceResponse> response;
    if (user->Validate(Text(url).Get(), Text(name).Get(), Text(password).Get(), response.Out()) != S_OK ||
        !response)
        return false;
    LONG code = -99;
    return response->get_ErrorCode(&code) == S_OK && code == 0;
}

TEST_F(AutomationTest, DifferentUsersValidateSideBySide)
{
    constexpr std::size_t threads = 4;
    service.Respond("validateUser", QuizServiceDouble::Response(0));
    // Each call waits in the service until all four are there (at most 10 s).
    service.HoldCalls(std::chrono::seconds(10), threads);
    std::atomic<std::size_t> valid{0};
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < threads; ++i)
        workers.emplace_back([&, i] {
            ComPtr<ITsUser> user;
            if (SUCCEEDED(CoCreateInstance(CLSID_TsUser, nullptr, CLSCTX_ALL, IID_ITsUser, user.OutVoid())) &&
                ValidateAs(user.Get(), service.Url(), "u" + std::to_string(i), "p"))
                ++valid;
        });
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(valid.load(), threads);
    EXPECT_EQ(service.MaxConcurrentCalls(), threads);
}

TEST_F(AutomationTest, OneUserValidatesOneCallAtATime)
{
    constexpr int threads = 6;
    constexpr int callsEach = 3;
    service.Respond("validateUser", QuizServiceDouble::Response(0));
    service.HoldCalls(std::chrono::milliseconds(30));
    auto user = Create<ITsUser>(CLSID_TsUser);
    std::atomic<int> valid{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i)
        workers.emplace_back([&, i] {
            for (int k = 0; k < callsEach; ++k)
                if (ValidateAs(user.Get(), service.Url(), "u" + std::to_string(i), "p" + std::to_string(i)))
                    ++valid;
        });
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(valid.load(), threads * callsEach);
    EXPECT_EQ(service.MaxConcurrentCalls(), 1u);
    // Every body carries the name and password of one and the same call.
    const auto calls = service.Calls();
    ASSERT_EQ(calls.size(), static_cast<std::size_t>(threads * callsEach));
    for (const auto& call : calls) {
        const auto& request = call.element->children.at(0);
        EXPECT_EQ(request.Attribute("user_name")->substr(1), request.Attribute("password")->substr(1));
    }
}

TEST_F(AutomationTest, ManyUsersAndThreadsShareOnlyTheTimeOut)
{
    constexpr int threads = 8;
    constexpr int callsEach = 5;
    service.Respond("validateUser", QuizServiceDouble::Response(0));
    auto shared = Create<ITsUser>(CLSID_TsUser);
    auto settings = Create<ITsService>(CLSID_TsService);
    std::atomic<int> valid{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i)
        workers.emplace_back([&, i] {
            ComPtr<ITsUser> own;
            CoCreateInstance(CLSID_TsUser, nullptr, CLSCTX_ALL, IID_ITsUser, own.OutVoid());
            for (int k = 0; k < callsEach; ++k) {
                settings->put_TimeoutMs(20000 + i);  // any thread may change it while others post
                ITsUser* target = (k % 2) ? shared.Get() : own.Get();
                if (target && ValidateAs(target, service.Url(), "u", "p"))
                    ++valid;
            }
        });
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(valid.load(), threads * callsEach);
}

} // namespace
