#include "TestSupport.hpp"
#include "checks/SecretsFile.hpp"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

using analysis::parseSecrets;
using analysis::SecretsError;
using analysis::SharedSecrets;

namespace {

const std::string* secretOf(const SharedSecrets& secrets, const char* address) {
    return secrets.secretFor(*zem::IPAddress::parse(address));
}

std::string errorOf(std::string_view text) {
    try {
        parseSecrets(text, "clients.txt");
    } catch (const SecretsError& error) {
        return error.what();
    }
    return "(no error)";
}

} // namespace

TEST(SecretsFile, BothFormsNameTheSecretOfEachAddress) {
    struct Case {
        const char* what;
        const char* text;
        const char* address;
        const char* secret; // nullptr: none
    };
    const Case cases[] = {
        {"a host", "192.0.2.10 testing123\n", "192.0.2.10", "testing123"},
        {"another host", "192.0.2.10 testing123\n", "192.0.2.11", nullptr},
        {"a network", "10.0.0.0/8 campus\n", "10.200.1.1", "campus"},
        {"host bits of a network", "10.1.2.3/8 campus\n", "10.9.9.9", "campus"},
        {"blanks inside", "192.0.2.1   two words  \n", "192.0.2.1", "two words"},
        {"a comment after", "192.0.2.1 s3cret # lab\n", "192.0.2.1", "s3cret"},
        {"a hash inside", "192.0.2.1 a#b\n", "192.0.2.1", "a#b"},
        {"comments and blank lines", "# clients\n\n  \n192.0.2.1 x\r\n", "192.0.2.1", "x"},
        {"IPv6", "2001:db8::/32 v6\n", "2001:db8:1::5", "v6"},
        {"IPv6 outside", "2001:db8::/32 v6\n", "2001:db9::5", nullptr},
        {"families apart", "0.0.0.0/0 v4\n", "::1", nullptr},
        {"the longest prefix", "10.0.0.0/8 wide\n10.1.0.0/16 narrow\n10.1.2.3 host\n", "10.1.9.9",
         "narrow"},
        {"the longest prefix, in any order", "10.1.2.3 host\n10.0.0.0/8 wide\n", "10.1.2.3",
         "host"},
        {"the later line for one network", "10.0.0.0/8 old\n10.0.0.0/8 new\n", "10.2.3.4", "new"},
        {"clients.conf", "client nas { ipaddr = 192.0.2.10\n secret = testing123 }\n", "192.0.2.10",
         "testing123"},
        {"clients.conf quoted",
         "client nas {\n ipaddr = 192.0.2.10\n secret = \"a \\\"b\\\" c\"\n}\n", "192.0.2.10",
         "a \"b\" c"},
        {"clients.conf single quotes", "client nas {\n ipaddr = 192.0.2.10\n secret = 'x y'\n}\n",
         "192.0.2.10", "x y"},
        {"clients.conf netmask", "client n {\n ipaddr = 10.0.0.0\n netmask = 8\n secret = m\n}\n",
         "10.3.3.3", "m"},
        {"clients.conf prefix", "client n {\n ipv4addr = 10.0.0.0/8\n secret = m\n}\n", "10.3.3.3",
         "m"},
        {"clients.conf ipv6addr", "client n {\n ipv6addr = 2001:db8::/32\n secret = six\n}\n",
         "2001:db8::9", "six"},
        {"clients.conf any", "client all {\n ipaddr = *\n secret = every\n}\n", "203.0.113.9",
         "every"},
        {"clients.conf name as address", "client 192.0.2.10 {\n secret = old-style\n}\n",
         "192.0.2.10", "old-style"},
        {"clients.conf nested sections and other settings",
         "client nas {\n ipaddr = 192.0.2.10 # the NAS\n limit {\n  lifetime = 0\n }\n"
         " shortname = nas\n require_message_authenticator = yes\n secret = deep\n}\n"
         "server other { listen { port = 1812 } }\n",
         "192.0.2.10", "deep"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto secrets = parseSecrets(c.text, "clients.txt");
        const auto* secret = secretOf(secrets, c.address);
        if (c.secret) {
            ASSERT_NE(secret, nullptr);
            EXPECT_EQ(*secret, c.secret);
        } else {
            EXPECT_EQ(secret, nullptr);
        }
    }
}

TEST(SecretsFile, AnErrorNamesTheFileAndLineAndNeverTheSecret) {
    struct Case {
        const char* what;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"no address", "# ok\nnas1 topsecret\n",
         "clients.txt:2: expected ADDRESS[/PREFIX] SECRET; the first field is no IPv4 or IPv6 "
         "address or network"},
        {"fields swapped: the secret first", "topsecret 192.0.2.1\n",
         "clients.txt:1: expected ADDRESS[/PREFIX] SECRET; the first field is no IPv4 or IPv6 "
         "address or network"},
        {"prefix too long", "192.0.2.0/33 topsecret\n",
         "clients.txt:1: expected ADDRESS[/PREFIX] SECRET; the first field is no IPv4 or IPv6 "
         "address or network"},
        {"prefix not a number", "192.0.2.0/x topsecret\n", "clients.txt:1: expected"},
        {"no secret", "192.0.2.1\n", "clients.txt:1: no secret after the address"},
        {"no secret but a comment", "192.0.2.1 # topsecret\n",
         "clients.txt:1: no secret after the address"},
        {"client without secret", "client nas {\n ipaddr = 192.0.2.1\n}\n",
         "clients.txt:1: this client has no secret"},
        {"client without address", "client nas {\n secret = topsecret\n}\n",
         "clients.txt:1: the client's name, which stands for its address, is no IPv4 or IPv6 "
         "address or network (host names are not looked up)"},
        {"host name", "client nas {\n ipaddr = nas.example.net\n secret = topsecret\n}\n",
         "clients.txt:2: the client's address is no IPv4 or IPv6 address"},
        {"the secret where the address goes",
         "client nas {\n ipaddr = topsecret\n secret = 192.0.2.1\n}\n",
         "clients.txt:2: the client's address is no IPv4 or IPv6 address"},
        {"bad netmask", "client nas {\n ipaddr = 10.0.0.0\n netmask = 40\n secret = topsecret\n}\n",
         "clients.txt:1: the client's netmask wants a prefix length"},
        {"never closed", "client nas {\n ipaddr = 10.0.0.1\n secret = topsecret\n",
         "clients.txt:1: this client section is never closed with \"}\""},
        {"quote never closed", "client nas {\n secret = \"topsecret\n}\n",
         "clients.txt:2: a quoted value does not end on its line"},
        {"setting without value", "client nas {\n secret =\n}\n",
         "clients.txt:2: a setting has no value"},
        {"a secret where a setting's name goes", "client nas {\n topsecret secret\n}\n",
         "clients.txt:2: expected \"=\" after the setting's name"},
        {"a secret where a section's name goes",
         "client a {\n ipaddr = 192.0.2.1\n secret = x\n}\ntopsecret nas\n",
         "clients.txt:5: expected \"{\" to open a section"},
        {"include", "$INCLUDE clients.d/\nclient nas { secret = topsecret }\n",
         "clients.txt:1: an $INCLUDE is not followed; give the included file on its own"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string error = errorOf(c.text);
        EXPECT_EQ(error.substr(0, std::strlen(c.expected)), c.expected);
        EXPECT_EQ(error.find("topsecret"), std::string::npos) << error;
    }
    EXPECT_EQ(errorOf(std::string_view("\xd4\xc3\xb2\xa1\0\0topsecret", 15)),
              "clients.txt: not a secrets file (it holds binary data); give lines "
              "ADDRESS[/PREFIX] SECRET or a clients.conf");
}

TEST(SecretsFile, MergedFilesWinOverEarlierNetworks) {
    SharedSecrets secrets;
    secrets.add(zem::IPAddress{4, {}}, 0, "everyone");
    secrets.merge(parseSecrets("192.0.2.0/24 lab\n", "a"));
    secrets.merge(parseSecrets("192.0.2.0/24 lab-2\n", "b"));
    EXPECT_EQ(*secretOf(secrets, "192.0.2.5"), "lab-2");
    EXPECT_EQ(*secretOf(secrets, "198.51.100.1"), "everyone");
    EXPECT_EQ(secrets.size(), 2u);
}

TEST(SecretsFile, OnlyARegularFileOfSensibleSizeIsRead) {
    // A FIFO would hang the run, /dev/zero would grow it without end.
    testing_support::TemporaryFolder folder;
    const auto fifo = folder.path() / "secrets.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto large = folder.path() / "large.txt";
    {
        std::ofstream out(large);
        const std::string line = "192.0.2.1 " + std::string(1000, 's') + "\n";
        for (int i = 0; i < 17 * 1024; ++i)
            out << line;
    }
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {fifo.string(), "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {folder.path().string(), "not a regular file"},
        {large.string(), "larger than 16 MiB"},
        {(folder.path() / "missing").string(), "No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string warning;
        try {
            analysis::readSecretsFile(c.path, warning);
            ADD_FAILURE() << "read";
        } catch (const SecretsError& error) {
            EXPECT_EQ(std::string(error.what()),
                      c.path + ": cannot read the secrets file: " + c.reason);
        }
    }
}
