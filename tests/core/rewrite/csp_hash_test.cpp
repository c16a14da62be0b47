#include "core/rewrite/csp_hash.h"

#include <gtest/gtest.h>

#include <string>

#include "core/base/sha256.h"

namespace velmoraine::rewrite {
namespace {

TEST(CspHash, HashesTheScriptTextAsTheBrowserReadsIt) {
    const std::string crlf = "<!-- VELMORAINE-BEGIN -->\r\n<script type=\"text/javascript\">\r\nvar b;\r\n</script>";
    const std::string lf = "<!-- VELMORAINE-BEGIN -->\n<script type=\"text/javascript\">\nvar b;\n</script>";
    EXPECT_EQ(cspHash(crlf), cspHash(lf));
    const auto digest = sha256::digest("\nvar b;\n");
    EXPECT_EQ(cspHash(lf),
              "'sha256-" + sha256::base64(std::string_view(reinterpret_cast<const char *>(digest.data()), 32)) + "'");
    EXPECT_EQ(cspHash("<script>no marker</script>"), "");
}

} // namespace
} // namespace velmoraine::rewrite
