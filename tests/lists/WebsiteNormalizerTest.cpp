#include "lists/WebsiteNormalizer.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace larkspire {
namespace {

TEST(NormalizeWebsite, RemovesOneTrailingSlashThenOneLowerCasePrefix)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {"https://www.example.com/", "example.com"},
        {"http://example.com/path/", "example.com/path"},
        {"www.example.com", "example.com"},
        {"http://www.example.com", "example.com"},
        {"https://example.com", "example.com"},
        {"WWW.Example.com", "WWW.Example.com"},
        {"HTTP://example.com", "HTTP://example.com"},
        {"ftp://example.com", "ftp://example.com"},
        {"example.com//", "example.com/"},
        {"www.http://example.com", "http://example.com"},
        {"http://", "http:/"},
        {"/", ""},
        {"", ""},
        {" http://example.com", " http://example.com"},
        {"example.com", "example.com"},
        {"http://www.www.example.com", "www.example.com"},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(NormalizeWebsite(input), expected) << '"' << input.toStdString() << '"';
}

TEST(NormalizeWebsite, SafeFromSeveralThreadsAtOnce)
{
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &wrong] {
            for (int i = 0; i < 2000; ++i) {
                if (NormalizeWebsite(QStringLiteral("https://www.site%1.example/").arg(i)) !=
                    QStringLiteral("site%1.example").arg(i))
                    ++wrong[t];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace larkspire
