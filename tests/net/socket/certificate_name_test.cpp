// Whether a certificate's names cover the host asked for: the wildcard's one label, addresses
// only by address, and the forms of a host that the socket layer would take for an address.
#include <gtest/gtest.h>

#include "net/socket/CertificateName.h"

namespace {

struct NameRow {
    const char* host;
    std::vector<std::string> dnsNames;
    std::vector<std::string> ipAddresses;
    bool covered;
};

const std::string kLoopback{"\x7f\x00\x00\x01", 4};

TEST(CertificateNamesCover, FollowsTheRulesOfServerIdentity) {
    const NameRow rows[] = {
        {"download.quorvane.com", {"download.quorvane.com"}, {}, true},
        {"Download.Quorvane.COM.", {"DOWNLOAD.quorvane.com"}, {}, true},
        {"download.quorvane.com", {"other.quorvane.com", "download.quorvane.com."}, {}, true},
        {"download.quorvane.com", {"quorvane.com"}, {}, false},
        {"download.quorvane.com", {}, {}, false},
        {"", {""}, {}, false},
        // A wildcard stands for one whole label, first, over at least two more.
        {"download.quorvane.com", {"*.quorvane.com"}, {}, true},
        {"quorvane.com", {"*.quorvane.com"}, {}, false},
        {"a.download.quorvane.com", {"*.quorvane.com"}, {}, false},
        {".quorvane.com", {"*.quorvane.com"}, {}, false},
        {"quorvane.com", {"*.com"}, {}, false},
        {"download.quorvane.com", {"down*.quorvane.com"}, {}, false},
        {"download.quorvane.com", {"*.*.com"}, {}, false},
        {"download.quorvane.com", {"download.*.com"}, {}, false},
        {"download.quorvane.com", {"*"}, {}, false},
        {"x.quorvane..com", {"*.quorvane..com"}, {}, false},
        {"a..quorvane.com", {"a..quorvane.com"}, {}, false},
        // A zero byte in a name is no end of it.
        {"download.quorvane.com", {std::string("download.quorvane.com\0.evil.test", 32)}, {}, false},
        // An address only by an address entry, and never by a wildcard.
        {"127.0.0.1", {}, {kLoopback}, true},
        {"127.0.0.1.", {}, {kLoopback}, true},
        {"127.0.0.1", {"127.0.0.1"}, {}, false},
        {"127.0.0.1", {"*.0.0.1"}, {}, false},
        {"127.0.0.2", {}, {kLoopback}, false},
        {"127.0.0.1", {}, {std::string(16, '\0'), "\x7f"}, false},
        // What the address parser reads otherwise is covered by nothing.
        {"127.1", {"127.1"}, {kLoopback}, false},
        {"0177.0.0.1", {}, {kLoopback}, false},
        {"0x7f.0.0.1", {"0x7f.0.0.1"}, {kLoopback}, false},
        {"127.0.0.256", {"127.0.0.256"}, {}, false},
        {"host.0x1f", {"host.0x1f"}, {}, false},
        {"host.1f", {"host.1f"}, {}, true},
        {"::1", {"::1"}, {std::string("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x01", 16)}, false},
    };
    for (const NameRow& row : rows) {
        const TCertificateNames names{row.dnsNames, row.ipAddresses};
        EXPECT_EQ(CertificateNamesCover(names, row.host), row.covered) << row.host;
    }
}

}  // namespace
