// Bad input, nothing lost: velmoraine-cli run on real files that are empty, missing, not files,
// binary, in another encoding, huge, or that change between two runs, and on targets that
// cannot be written. Every row states the exit code and the exact stderr; a failing command
// leaves the whole working folder (pages, the existing target, the settings) byte for byte,
// inode and permissions as they were, and no run leaves a temporary file behind.
//
// The 1 GB page is not part of the normal run. To run it (it needs 4 GB free in the temporary
// folder and takes about half a minute):
//   VELMORAINE_BIG_TESTS=1 build/<dir>/tests/cli/cli_tests --gtest_filter='CliBadInput.GigabytePage'
// or, through CTest, VELMORAINE_BIG_TESTS=1 ctest --test-dir build/<dir> -R GigabytePage
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "cli_run.h"

namespace velmoraine::clitest {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// ---------------------------------------------------------------------------------------------
// Texts and pages
// ---------------------------------------------------------------------------------------------

const std::string kNoForm = "Velmoraine cannot find a form in your HTML page. Your page must contain a <FORM> tag!\n";
const std::string kInvalidId = "You have not entered a valid Account ID. In order to continue, you must sign up for "
                               "an Account ID. This is FREE an takes only about a minute!\n";
const std::string kPreviousOutput = "previous output, must survive a failed run\n";
const std::string kHiddenInput = "<input type=\"hidden\" name=\"velmoraine\" value=\"24680-1\">";

std::string cannotOpen(const std::string &path) { return "Cannot open file " + path + "\n"; }
std::string cannotCreate(const std::string &path) { return "Cannot create file " + path + "\n"; }

const std::string kTwoForms = "<html><head><title>two</title></head><body>\n"
                              "<form action=\"a.cgi\"><input name=\"first\"></form>\n"
                              "<form action=\"b.cgi\"><input name=\"second\"></form>\n"
                              "</body></html>\n";
const std::string kThreeForms = "<html><head><title>three</title></head><body>\n"
                                "<form action=\"a.cgi\"><input name=\"first\"></form>\n"
                                "<form action=\"b.cgi\"><input name=\"second\"></form>\n"
                                "<form action=\"c.cgi\"><input name=\"third\"></form>\n"
                                "</body></html>\n";
const std::string kOneForm = "<html><head><title>one</title></head><body>\n"
                             "<form action=\"a.cgi\"><input name=\"first\"></form>\n"
                             "</body></html>\n";

// Zero bytes in the title, between and inside field names, and after the form.
const std::string kZeroBytes = "<html><head><title>a\0b</title></head><body>\0\n"
                               "<form action=\"z.cgi\"><input name=\"a\">\0\0<input name=\"b\0c\">"
                               "<p>\0</p><input name=\"d\"></form>\0</body></html>\0"s;

// Overlong forms, surrogates, a lone continuation byte and Latin-1 letters, inside and
// outside the form.
const std::string kInvalidUtf8 = "<html><head><title>caf\xe9 \xc3\x28 \xf0\x28\x8c\x28</title></head><body>\xff\xfe\n"
                                 "<form action=\"x\xc3.cgi\">\n<input name=\"na\xefve\"><input name=\"email\">"
                                 "\xed\xa0\x80</form>\xc0\xaf\x80</body></html>\n";

// Random bytes from a fixed seed, zero bytes among them.
std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        out[i] = i % 97 == 0 ? '\0' : static_cast<char>(byte(generator));
    }
    return out;
}

// The page as UTF-16 with its byte order mark.
std::string utf16(const std::string &ascii, bool bigEndian) {
    std::string out = bigEndian ? std::string("\xfe\xff") : std::string("\xff\xfe");
    for (const char c : ascii) {
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return out;
}

fs::path modelPath() { return pagesDir() / "model.txt"; }

// The page bytes between the end of the form tag and the end: the rewriter adds the hidden
// input right after the tag and must keep everything that follows.
std::string afterFormTag(const std::string &page) { return page.substr(page.find('>', page.find("<form")) + 1); }
// The page bytes up to the head's closing tag: the script block goes just before it.
std::string beforeHeadEnd(const std::string &page) { return page.substr(0, page.find("</head>")); }

void expectKeepsEveryByte(const std::string &page, const std::string &out) {
    EXPECT_TRUE(out.starts_with(beforeHeadEnd(page))) << "the bytes before </head> changed";
    EXPECT_TRUE(out.ends_with(kHiddenInput + afterFormTag(page))) << "the bytes after the form tag changed";
}

// ---------------------------------------------------------------------------------------------
// The working folder before and after a run
// ---------------------------------------------------------------------------------------------

// Every entry under `root` with its type, permissions, inode, size and a digest of its bytes
// (link targets for links), so that two snapshots differ when anything was touched.
std::map<std::string, std::string> snapshot(const fs::path &root) {
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path &path = it->path();
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            continue;
        }
        std::string what = "mode=" + std::to_string(st.st_mode) + " inode=" + std::to_string(st.st_ino);
        if (S_ISREG(st.st_mode)) {
            const std::string bytes = readFile(path);
            what +=
                " size=" + std::to_string(bytes.size()) + " digest=" + std::to_string(std::hash<std::string>{}(bytes));
        } else if (S_ISLNK(st.st_mode)) {
            what += " link=" + fs::read_symlink(path).string();
        }
        entries[path.lexically_relative(root).string()] = what; // not relative(): it follows links
    }
    return entries;
}

// Names the atomic write's temporary files would have: ".NAME.XXXXXX".
std::vector<std::string> leftovers(const fs::path &root) {
    std::vector<std::string> found;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (it->path().filename().string().starts_with(".")) {
            found.push_back(it->path().string());
        }
    }
    return found;
}

bool runningAsRoot() { return ::geteuid() == 0; }

bool isCharacterDevice(const char *path) {
    struct stat st {};
    return ::lstat(path, &st) == 0 && S_ISCHR(st.st_mode);
}

// ---------------------------------------------------------------------------------------------
// The rows
// ---------------------------------------------------------------------------------------------

// Every row runs in a fresh folder {tmp} holding "config/" (the settings folder, empty unless
// the row writes velmoraine.ini) and "out.htm", an earlier output that a failed run must keep.
struct Row {
    std::string name;
    std::function<void(const fs::path &tmp)> prepare; // the row's files
    std::vector<std::string> args;                    // "{tmp}" and "{model}" are replaced
    int exitCode = 0;
    std::string err;                                                     // exact; "{tmp}" is replaced
    std::function<void(const fs::path &tmp, const CliResult &)> check{}; // further checks
    std::function<std::optional<std::string>()> skip{};                  // a reason to skip
    std::function<void(const fs::path &tmp)> cleanup{};                  // undo what blocks removal
    bool permissionsStop = false; // runs as a user whom permission bits stop (ordinaryUser)
};

void PrintTo(const Row &row, std::ostream *os) { *os << row.name; }

std::string substitute(std::string text, const fs::path &tmp, const fs::path &model = modelPath()) {
    for (const auto &[key, value] :
         std::vector<std::pair<std::string, std::string>>{{"{tmp}", tmp.string()}, {"{model}", model.string()}}) {
        for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size())) {
            text.replace(at, key.size(), value);
        }
    }
    return text;
}

std::vector<std::string> rewriteArgs(const std::string &page, std::vector<std::string> more = {}) {
    std::vector<std::string> args{"rewrite", "--model", "{model}", "--id", "24680", page};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::function<void(const fs::path &)> writesPage(std::string name, std::string bytes) {
    return [name = std::move(name), bytes = std::move(bytes)](const fs::path &tmp) { writeFile(tmp / name, bytes); };
}

std::function<void(const fs::path &)> copiesPage(std::string from, std::string name) {
    return [from = std::move(from), name = std::move(name)](const fs::path &tmp) {
        fs::copy_file(pagesDir() / from, tmp / name);
    };
}

// A page that the scan and both writing forms of the rewrite refuse alike: the same exit
// code and message, and nothing written.
void addRefusedPage(std::vector<Row> &rows, const std::string &name,
                    const std::function<void(const fs::path &)> &prepare, const std::string &page, int exitCode,
                    const std::string &err, const std::function<std::optional<std::string>()> &skip = {},
                    const std::function<void(const fs::path &)> &cleanup = {}, bool permissionsStop = false) {
    rows.push_back(
        {name + "_scan", prepare, {"scan", "--json", page}, exitCode, err, {}, skip, cleanup, permissionsStop});
    rows.push_back({name + "_rewrite_to_file",
                    prepare,
                    rewriteArgs(page, {"-o", "{tmp}/out.htm"}),
                    exitCode,
                    err,
                    {},
                    skip,
                    cleanup,
                    permissionsStop});
    rows.push_back({name + "_rewrite_in_place",
                    prepare,
                    rewriteArgs(page, {"--in-place"}),
                    exitCode,
                    err,
                    {},
                    skip,
                    cleanup,
                    permissionsStop});
}

// Runs a scan the way a script would before its rewrite; the row then changes the page.
void scanFirst(const fs::path &tmp, const std::string &page, const std::string &choose) {
    const CliResult first = runCli({{"scan", "--json", "--choose", choose, page}, tmp, tmp / "config", {}});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out.find("\"chosen\": " + choose), std::string::npos) << first.out;
}

std::string stdoutOfPlainRewrite(std::vector<std::string> more) {
    std::vector<std::string> args = rewriteArgs((pagesDir() / "one_form.htm").string(), std::move(more));
    std::replace(args.begin(), args.end(), std::string("{model}"), modelPath().string());
    const CliResult plain = runCli({args, {}, {}, {}});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    return plain.out;
}

std::vector<Row> makeRows() {
    std::vector<Row> rows;

    // --- pages that are not readable pages ---
    addRefusedPage(rows, "empty_page", writesPage("empty.htm", ""), "{tmp}/empty.htm", 3, kNoForm);
    addRefusedPage(
        rows, "folder_as_page", [](const fs::path &tmp) { fs::create_directory(tmp / "folder"); }, "{tmp}/folder", 2,
        cannotOpen("{tmp}/folder"));
    addRefusedPage(
        rows, "unreadable_page",
        [](const fs::path &tmp) {
            fs::copy_file(pagesDir() / "one_form.htm", tmp / "locked.htm");
            fs::permissions(tmp / "locked.htm", fs::perms::none);
        },
        "{tmp}/locked.htm", 2, cannotOpen("{tmp}/locked.htm"), {}, {}, true);
    // Even root cannot read these: a folder reached through a dangling link, a "folder" that
    // is a file, and a file whose read fails after it opened.
    addRefusedPage(
        rows, "page_behind_dangling_link",
        [](const fs::path &tmp) { fs::create_symlink(tmp / "nowhere", tmp / "gone"); }, "{tmp}/gone/page.htm", 2,
        cannotOpen("{tmp}/gone/page.htm"));
    addRefusedPage(rows, "page_inside_a_file", copiesPage("one_form.htm", "page.htm"), "{tmp}/page.htm/inner.htm", 2,
                   cannotOpen("{tmp}/page.htm/inner.htm"));
    addRefusedPage(
        rows, "page_read_error", [](const fs::path &) {}, "/proc/self/mem", 2, cannotOpen("/proc/self/mem"),
        []() -> std::optional<std::string> {
            if (!fs::exists("/proc/self/mem")) {
                return "no /proc/self/mem to fail a read after the open";
            }
            return std::nullopt;
        });
    addRefusedPage(
        rows, "device_as_page", [](const fs::path &) {}, "/dev/null", 2, cannotOpen("/dev/null"));

    // --- pages that are bytes but not a page with a form ---
    addRefusedPage(rows, "binary_page", writesPage("binary.htm", randomBytes(64 * 1024, 6)), "{tmp}/binary.htm", 3,
                   kNoForm);
    // In UTF-16 "<form " is not a run of bytes, so there is no form to find.
    // A page with a UTF-16 or UTF-32 byte order mark: the message says how to save it instead.
    const auto unsupported = [](const std::string &name) {
        return "Your HTML page is saved as " + name +
               ", which Velmoraine cannot read. Please save it as UTF-8 or in an "
               "8-bit encoding (such as ISO-8859-1 or Windows-1252) and select it again.\n";
    };
    addRefusedPage(rows, "utf16le_page", writesPage("utf16.htm", utf16(kOneForm, false)), "{tmp}/utf16.htm", 3,
                   unsupported("UTF-16"));
    addRefusedPage(rows, "utf16be_page", writesPage("utf16.htm", utf16(kOneForm, true)), "{tmp}/utf16.htm", 3,
                   unsupported("UTF-16"));
    addRefusedPage(rows, "utf32le_page", writesPage("utf32.htm", "\xff\xfe\0\0<\0\0\0"s), "{tmp}/utf32.htm", 3,
                   unsupported("UTF-32"));
    addRefusedPage(rows, "utf32be_page", writesPage("utf32.htm", "\0\0\xfe\xff\0\0\0<"s), "{tmp}/utf32.htm", 3,
                   unsupported("UTF-32"));
    // --- invalid UTF-8 and zero bytes are ordinary bytes ---
    rows.push_back(
        {"invalid_utf8_scan",
         writesPage("latin.htm", kInvalidUtf8),
         {"scan", "--json", "{tmp}/latin.htm"},
         0,
         "",
         [](const fs::path &, const CliResult &result) {
             // A byte outside valid UTF-8 stands for the character of the same value.
             EXPECT_NE(result.out.find("\"fields\": [\n    \"na\xc3\xafve\",\n    \"email\"\n  ]"), std::string::npos)
                 << result.out;
         }});
    rows.push_back({"invalid_utf8_rewrite_to_file", writesPage("latin.htm", kInvalidUtf8),
                    rewriteArgs("{tmp}/latin.htm", {"--rule", "email", "-o", "{tmp}/out.htm"}), 0, "",
                    [](const fs::path &tmp, const CliResult &) {
                        expectKeepsEveryByte(kInvalidUtf8, readFile(tmp / "out.htm"));
                        EXPECT_EQ(readFile(tmp / "latin.htm"), kInvalidUtf8);
                    }});
    rows.push_back({"zero_bytes_scan",
                    writesPage("zero.htm", kZeroBytes),
                    {"scan", "--json", "{tmp}/zero.htm"},
                    0,
                    "",
                    [](const fs::path &, const CliResult &result) {
                        // The names after a zero byte are listed; the one holding it too.
                        EXPECT_NE(result.out.find("\"fields\": [\n    \"a\",\n    \"b\\u0000c\",\n    \"d\"\n  ]"),
                                  std::string::npos)
                            << result.out;
                    }});
    rows.push_back({"zero_bytes_rewrite_to_file", writesPage("zero.htm", kZeroBytes),
                    rewriteArgs("{tmp}/zero.htm", {"--rule", "d", "-o", "{tmp}/out.htm"}), 0, "",
                    [](const fs::path &tmp, const CliResult &) {
                        const std::string out = readFile(tmp / "out.htm");
                        expectKeepsEveryByte(kZeroBytes, out);
                        EXPECT_NE(out.find("//VLDATA:d^0^1^0^0^"), std::string::npos) << out;
                        EXPECT_EQ(readFile(tmp / "zero.htm"), kZeroBytes);
                    }});
    rows.push_back({"zero_bytes_rewrite_in_place", writesPage("zero.htm", kZeroBytes),
                    rewriteArgs("{tmp}/zero.htm", {"--rule", "d", "--in-place"}), 0, "",
                    [](const fs::path &tmp, const CliResult &) {
                        expectKeepsEveryByte(kZeroBytes, readFile(tmp / "zero.htm"));
                        EXPECT_EQ(readFile(tmp / "out.htm"), kPreviousOutput);
                    }});

    // --- the page changes between a scan and the rewrite ---
    addRefusedPage(
        rows, "page_vanished",
        [](const fs::path &tmp) {
            writeFile(tmp / "page.htm", kOneForm);
            scanFirst(tmp, (tmp / "page.htm").string(), "1");
            fs::remove(tmp / "page.htm");
        },
        "{tmp}/page.htm", 2, cannotOpen("{tmp}/page.htm"));
    // The chosen form is an argument of each run: a --choose beyond the forms of the page as
    // it is now is a usage error, as on any page.
    const auto twoThenOne = [](const fs::path &tmp) {
        writeFile(tmp / "page.htm", kTwoForms);
        scanFirst(tmp, (tmp / "page.htm").string(), "2");
        writeFile(tmp / "page.htm", kOneForm);
    };
    rows.push_back({"chosen_form_gone_scan",
                    twoThenOne,
                    {"scan", "--choose", "2", "{tmp}/page.htm"},
                    1,
                    "velmoraine-cli scan: --choose 2: the page has one form (see velmoraine-cli scan --help)\n"});
    rows.push_back({"chosen_form_gone_rewrite_to_file", twoThenOne,
                    rewriteArgs("{tmp}/page.htm", {"--choose", "2", "-o", "{tmp}/out.htm"}), 1,
                    "velmoraine-cli rewrite: --choose 2: the page has one form (see velmoraine-cli rewrite --help)\n"});
    rows.push_back({"chosen_form_gone_rewrite_in_place", twoThenOne,
                    rewriteArgs("{tmp}/page.htm", {"--choose", "2", "--in-place"}), 1,
                    "velmoraine-cli rewrite: --choose 2: the page has one form (see velmoraine-cli rewrite --help)\n"});
    rows.push_back(
        {"chosen_form_gone_of_three_rewrite_in_place",
         [](const fs::path &tmp) {
             writeFile(tmp / "page.htm", kThreeForms);
             scanFirst(tmp, (tmp / "page.htm").string(), "3");
             writeFile(tmp / "page.htm", kTwoForms);
         },
         rewriteArgs("{tmp}/page.htm", {"--choose", "3", "--in-place"}), 1,
         "velmoraine-cli rewrite: --choose 3: the page lists 2 forms (see velmoraine-cli rewrite --help)\n"});

    // --- the script model ---
    const auto onePage = copiesPage("one_form.htm", "page.htm");
    rows.push_back(
        {"model_missing_rewrite_to_file",
         onePage,
         {"rewrite", "--model", "{tmp}/main/vlmodel.txt", "--id", "24680", "{tmp}/page.htm", "-o", "{tmp}/out.htm"},
         2,
         cannotOpen("{tmp}/main/vlmodel.txt")});
    rows.push_back({"model_missing_rewrite_in_place",
                    onePage,
                    {"rewrite", "--model", "{tmp}/main/vlmodel.txt", "--id", "24680", "{tmp}/page.htm", "--in-place"},
                    2,
                    cannotOpen("{tmp}/main/vlmodel.txt")});
    rows.push_back({"default_model_missing_rewrite_in_place",
                    [onePage](const fs::path &tmp) {
                        onePage(tmp);
                        fs::create_directory(tmp / "main");
                        writeFile(tmp / "config" / "velmoraine.ini",
                                  "[Settings]\nmain dir=" + (tmp / "main").string() + "/\nvl_id=24680\n");
                    },
                    {"rewrite", "{tmp}/page.htm", "--in-place"},
                    2,
                    cannotOpen("{tmp}/main/vlmodel.txt")});
    rows.push_back(
        {"model_is_a_folder_rewrite_to_file",
         [onePage](const fs::path &tmp) {
             onePage(tmp);
             fs::create_directories(tmp / "main" / "vlmodel.txt");
         },
         {"rewrite", "--model", "{tmp}/main/vlmodel.txt", "--id", "24680", "{tmp}/page.htm", "-o", "{tmp}/out.htm"},
         2,
         cannotOpen("{tmp}/main/vlmodel.txt")});
    // A model without the begin marker at its start is refused before anything is written:
    // its block could not be found again by a later run.
    for (const auto &[name, text] : std::vector<std::pair<std::string, std::string>>{
             {"model_empty_refused", ""},
             {"model_without_begin_line_refused", "<script>\r\nfunction velmoraine_sub() {\r\n"},
             {"model_with_text_before_begin_line_refused", "\xEF\xBB\xBF<!-- VELMORAINE-BEGIN -->\r\n"}}) {
        rows.push_back({name,
                        [onePage, text](const fs::path &tmp) {
                            onePage(tmp);
                            writeFile(tmp / "vlmodel.txt", text);
                        },
                        {"rewrite", "--model", "{tmp}/vlmodel.txt", "--id", "24680", "{tmp}/page.htm", "--rule",
                         "email", "-o", "{tmp}/out.htm"},
                        3,
                        "The script model {tmp}/vlmodel.txt does not begin with the line <!-- VELMORAINE-BEGIN -->. "
                        "Velmoraine cannot write the validation code without it, so that a later run can find and "
                        "replace it. Please restore the model file.\n"});
    }

    // --- the settings file ---
    const auto settings = [onePage](std::string text) {
        return [onePage, text = std::move(text)](const fs::path &tmp) {
            onePage(tmp);
            writeFile(tmp / "config" / "velmoraine.ini", text);
        };
    };
    const std::string garbage = randomBytes(4096, 24680);
    const std::string longLine = "[Settings]\ncustom=" + std::string(100 * 1024, 'x') + "\nvl_id=24680\n";
    const auto storedIdUsed = [](const fs::path &tmp, const CliResult &) {
        EXPECT_NE(readFile(tmp / "out.htm").find(kHiddenInput), std::string::npos);
    };
    rows.push_back({"settings_garbage_scan", settings(garbage), {"scan", "{tmp}/page.htm"}, 0, ""});
    rows.push_back({"settings_garbage_no_stored_id",
                    settings(garbage),
                    {"rewrite", "--model", "{model}", "{tmp}/page.htm", "-o", "{tmp}/out.htm"},
                    3,
                    kInvalidId});
    rows.push_back({"settings_garbage_id_given", settings(garbage),
                    rewriteArgs("{tmp}/page.htm", {"-o", "{tmp}/out.htm"}), 0, "", storedIdUsed});
    rows.push_back({"settings_garbage_before_stored_id",
                    settings(garbage + "\n[Settings]\nvl_id=24680\n"),
                    {"rewrite", "--model", "{model}", "{tmp}/page.htm", "-o", "{tmp}/out.htm"},
                    0,
                    "",
                    storedIdUsed});
    rows.push_back({"settings_100k_line_scan", settings(longLine), {"scan", "{tmp}/page.htm"}, 0, ""});
    rows.push_back({"settings_100k_line_stored_id",
                    settings(longLine),
                    {"rewrite", "--model", "{model}", "{tmp}/page.htm", "-o", "{tmp}/out.htm"},
                    0,
                    "",
                    storedIdUsed});
    rows.push_back({"settings_100k_line_no_break",
                    settings(std::string(100 * 1024, 'x')),
                    {"rewrite", "--model", "{model}", "{tmp}/page.htm", "-o", "{tmp}/out.htm"},
                    3,
                    kInvalidId});
    rows.push_back({"settings_100k_digit_id",
                    settings("[Settings]\nvl_id=" + std::string(100 * 1024, '9') + "\n"),
                    {"rewrite", "--model", "{model}", "{tmp}/page.htm", "-o", "{tmp}/out.htm"},
                    3,
                    kInvalidId});

    // A settings file that cannot be read is named with what is wrong with it; an editor's
    // UTF-8 mark before the first section is read past.
    const std::string settingsProblem = "The settings file {tmp}/config/velmoraine.ini cannot be read: ";
    const std::vector<std::string> storedIdRewrite = {"rewrite",        "--model", "{model}",
                                                      "{tmp}/page.htm", "-o",      "{tmp}/out.htm"};
    rows.push_back({"settings_utf8_mark_stored_id", settings("\xEF\xBB\xBF[Settings]\r\nvl_id=24680\r\n"),
                    storedIdRewrite, 0, "", storedIdUsed});
    rows.push_back({"settings_utf16", settings(utf16("[Settings]\r\nvl_id=24680\r\n", false)), storedIdRewrite, 2,
                    settingsProblem + "it is saved as UTF-16 or UTF-32. Please save it as UTF-8 and start again.\n"});
    rows.push_back({"settings_folder",
                    [onePage](const fs::path &tmp) {
                        onePage(tmp);
                        fs::create_directory(tmp / "config" / "velmoraine.ini");
                    },
                    storedIdRewrite, 2, settingsProblem + "it is a folder, not a file.\n"});
    rows.push_back({"settings_unreadable",
                    [onePage](const fs::path &tmp) {
                        onePage(tmp);
                        writeFile(tmp / "config" / "velmoraine.ini", "[Settings]\nvl_id=24680\n");
                        fs::permissions(tmp / "config" / "velmoraine.ini", fs::perms::none);
                    },
                    storedIdRewrite,
                    2,
                    settingsProblem + "Permission denied.\n",
                    {},
                    {},
                    {},
                    true});

    // --- stored rules and messages that would break the page's script ---
    const auto storedRule = [](std::string record) {
        return writesPage("stored.htm", "<html><head>\r\n<script>\r\n/*\r\n//VLDATA:" + record +
                                            ":;\r\n*/\r\n</script>\r\n</head><body>\r\n<form action=\"a.cgi\">"
                                            "<input name=\"first\"></form>\r\n</body></html>\r\n");
    };
    const std::string firstRefused = "The validation settings of field \"first\" cannot contain ^, :;, */, </ or line "
                                     "breaks. Please remove or change the field's rule on the validation page and try "
                                     "again.\n";
    for (const auto &[name, record] : std::vector<std::pair<std::string, std::string>>{
             {"comment_end", "first^0^1^0^0^Hi */ alert(1); /*"},
             {"script_end", "first^0^1^0^0^Hi </script><script>alert(1)</script>"},
             {"line_feed", "first^0^1^0^0^a\nalert(1)"}}) {
        rows.push_back({"stored_rule_" + name + "_rewrite", storedRule(record),
                        rewriteArgs("{tmp}/stored.htm", {"-o", "{tmp}/out.htm"}), 3, firstRefused});
        // Listed by the scan, so the author sees it, and dropped or replaced as any rule.
        rows.push_back({"stored_rule_" + name + "_scan",
                        storedRule(record),
                        {"scan", "{tmp}/stored.htm"},
                        0,
                        "",
                        [](const fs::path &, const CliResult &result) {
                            EXPECT_NE(result.out.find("Stored rules: 1\n"), std::string::npos) << result.out;
                        }});
        rows.push_back({"stored_rule_" + name + "_replaced", storedRule(record),
                        rewriteArgs("{tmp}/stored.htm", {"--rule", "first=filled", "-o", "{tmp}/out.htm"}), 0, ""});
    }
    const std::string separatorRefused =
        "The validation settings cannot contain ^, :;, */, </ or line breaks. Please remove them and try again.\n";
    rows.push_back({"rule_message_carriage_return", onePage,
                    rewriteArgs("{tmp}/page.htm", {"--rule", "name=filled,message=a\rb", "--in-place"}), 3,
                    separatorRefused});
    rows.push_back({"record_message_line_feed", onePage,
                    rewriteArgs("{tmp}/page.htm", {"--record", "email^1^0^a\nb", "-o", "{tmp}/out.htm"}), 3,
                    separatorRefused});

    // --- targets ---
    const auto readOnlyFolder = [](const fs::path &tmp) {
        fs::create_directory(tmp / "ro");
        fs::copy_file(pagesDir() / "one_form.htm", tmp / "ro" / "page.htm");
        writeFile(tmp / "ro" / "out.htm", kPreviousOutput);
        fs::permissions(tmp / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    };
    const auto writableAgain = [](const fs::path &tmp) { fs::permissions(tmp / "ro", fs::perms::owner_all); };
    rows.push_back({"read_only_folder_rewrite_to_file",
                    readOnlyFolder,
                    rewriteArgs("{tmp}/ro/page.htm", {"-o", "{tmp}/ro/out.htm"}),
                    2,
                    cannotCreate("{tmp}/ro/out.htm: Permission denied"),
                    {},
                    {},
                    writableAgain,
                    true});
    rows.push_back({"read_only_folder_rewrite_in_place",
                    readOnlyFolder,
                    rewriteArgs("{tmp}/ro/page.htm", {"--in-place"}),
                    2,
                    cannotCreate("{tmp}/ro/page.htm: Permission denied"),
                    {},
                    {},
                    writableAgain,
                    true});
    // Failures to create a file say why.
    rows.push_back({"link_loop_target",
                    [onePage](const fs::path &tmp) {
                        onePage(tmp);
                        fs::create_symlink("loop-b", tmp / "loop-a");
                        fs::create_symlink("loop-a", tmp / "loop-b");
                    },
                    rewriteArgs("{tmp}/page.htm", {"-o", "{tmp}/loop-a"}), 2,
                    cannotCreate("{tmp}/loop-a: Too many levels of symbolic links")});
    rows.push_back({"name_too_long_target", onePage,
                    rewriteArgs("{tmp}/page.htm", {"-o", "{tmp}/" + std::string(300, 'n')}), 2,
                    cannotCreate("{tmp}/" + std::string(300, 'n') + ": File name too long")});
    // Another user's link in a sticky, world-writable folder is not followed, even to a file
    // of the superuser's; the system refuses `echo > link` there alike.
    rows.push_back({"planted_link_target",
                    [onePage](const fs::path &tmp) {
                        onePage(tmp);
                        fs::create_directory(tmp / "shared");
                        fs::permissions(tmp / "shared", fs::perms::all | fs::perms::sticky_bit);
                        fs::create_symlink(tmp / "out.htm", tmp / "shared" / "out.htm");
                        ASSERT_EQ(::lchown((tmp / "shared" / "out.htm").c_str(), 65534, 65534), 0);
                    },
                    rewriteArgs("{tmp}/page.htm", {"-o", "{tmp}/shared/out.htm"}),
                    2,
                    cannotCreate("{tmp}/shared/out.htm: Permission denied"),
                    {},
                    []() -> std::optional<std::string> {
                        return runningAsRoot() ? std::nullopt
                                               : std::optional<std::string>("only the superuser can plant a link "
                                                                            "owned by another user");
                    }});
    rows.push_back({"full_device_target", onePage, rewriteArgs("{tmp}/page.htm", {"-o", "/dev/full"}), 2,
                    cannotCreate("/dev/full: No space left on device"),
                    [](const fs::path &, const CliResult &) { EXPECT_TRUE(isCharacterDevice("/dev/full")); },
                    []() -> std::optional<std::string> {
                        if (!isCharacterDevice("/dev/full")) {
                            return "no /dev/full";
                        }
                        return std::nullopt;
                    }});
    const auto linkedTarget = [onePage](const fs::path &tmp) {
        onePage(tmp);
        writeFile(tmp / "real.htm", kPreviousOutput);
        fs::permissions(tmp / "real.htm", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        fs::create_symlink("real.htm", tmp / "link.htm");
    };
    rows.push_back({"symlink_target", linkedTarget,
                    rewriteArgs("{tmp}/page.htm", {"--rule", "email", "-o", "{tmp}/link.htm"}), 0, "",
                    [](const fs::path &tmp, const CliResult &) {
                        EXPECT_TRUE(fs::is_symlink(tmp / "link.htm"));
                        EXPECT_EQ(fs::read_symlink(tmp / "link.htm"), "real.htm");
                        EXPECT_EQ(readFile(tmp / "real.htm"), stdoutOfPlainRewrite({"--rule", "email"}));
                        EXPECT_EQ(fs::status(tmp / "real.htm").permissions() & fs::perms::all,
                                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
                    }});
    rows.push_back({"symlink_target_refused_rewrite", linkedTarget,
                    rewriteArgs("{tmp}/page.htm", {"--rule", "gift", "-o", "{tmp}/link.htm"}), 3,
                    "Field \"gift\" is not in the chosen form of your HTML page.\n"});
    rows.push_back({"symlink_target_dangling",
                    [onePage](const fs::path &tmp) {
                        onePage(tmp);
                        fs::create_symlink("made.htm", tmp / "link.htm");
                    },
                    rewriteArgs("{tmp}/page.htm", {"-o", "{tmp}/link.htm"}), 0, "",
                    [](const fs::path &tmp, const CliResult &) {
                        EXPECT_TRUE(fs::is_symlink(tmp / "link.htm"));
                        EXPECT_EQ(readFile(tmp / "made.htm"), stdoutOfPlainRewrite({}));
                    }});
    rows.push_back({"symlink_page_in_place",
                    [](const fs::path &tmp) {
                        fs::create_directory(tmp / "site");
                        fs::copy_file(pagesDir() / "one_form.htm", tmp / "site" / "real.htm");
                        fs::create_symlink("site/real.htm", tmp / "page.htm");
                    },
                    rewriteArgs("{tmp}/page.htm", {"--rule", "email", "--in-place"}), 0, "",
                    [](const fs::path &tmp, const CliResult &) {
                        EXPECT_EQ(fs::read_symlink(tmp / "page.htm"), "site/real.htm");
                        EXPECT_EQ(readFile(tmp / "site" / "real.htm"), stdoutOfPlainRewrite({"--rule", "email"}));
                    }});

    // --- blanks and non-ASCII characters in every path ---
    const auto frenchFolder = [](const fs::path &tmp) {
        fs::create_directory(tmp / "mes pages");
        fs::copy_file(pagesDir() / "one_form.htm", tmp / "mes pages" /
                                                       "\xc3\xa7"
                                                       "a \xc3\xa9t\xc3\xa9.htm");
        fs::copy_file(modelPath(), tmp / "mes pages" / "mod\xc3\xa8le \xc3\xa0 moi.txt");
    };
    rows.push_back({"non_ascii_paths_scan",
                    frenchFolder,
                    {"scan", "--json",
                     "mes pages/\xc3\xa7"
                     "a \xc3\xa9t\xc3\xa9.htm"},
                    0,
                    "",
                    [](const fs::path &, const CliResult &result) {
                        EXPECT_TRUE(result.out.starts_with("{\n  \"page\": \"mes pages/\xc3\xa7"
                                                           "a \xc3\xa9t\xc3\xa9.htm\",\n"))
                            << result.out;
                    }});
    rows.push_back({"non_ascii_paths_rewrite",
                    frenchFolder,
                    {"rewrite", "--model", "mes pages/mod\xc3\xa8le \xc3\xa0 moi.txt", "--id", "24680",
                     "mes pages/\xc3\xa7"
                     "a \xc3\xa9t\xc3\xa9.htm",
                     "--rule", "email", "-o", "mes pages/r\xc3\xa9sultat final.htm"},
                    0,
                    "",
                    [](const fs::path &tmp, const CliResult &) {
                        EXPECT_EQ(readFile(tmp / "mes pages" / "r\xc3\xa9sultat final.htm"),
                                  stdoutOfPlainRewrite({"--rule", "email"}));
                    }});
    rows.push_back({"non_ascii_paths_in_place",
                    frenchFolder,
                    {"rewrite", "--model", "mes pages/mod\xc3\xa8le \xc3\xa0 moi.txt", "--id", "24680",
                     "mes pages/\xc3\xa7"
                     "a \xc3\xa9t\xc3\xa9.htm",
                     "--rule", "email", "--in-place"},
                    0,
                    "",
                    [](const fs::path &tmp, const CliResult &) {
                        EXPECT_EQ(readFile(tmp / "mes pages" /
                                           "\xc3\xa7"
                                           "a \xc3\xa9t\xc3\xa9.htm"),
                                  stdoutOfPlainRewrite({"--rule", "email"}));
                    }});
    rows.push_back({"non_ascii_page_missing", frenchFolder,
                    rewriteArgs("{tmp}/mes pages/\xc3\xa7"
                                "a manque.htm",
                                {"--in-place"}),
                    2,
                    cannotOpen("{tmp}/mes pages/\xc3\xa7"
                               "a manque.htm")});
    rows.push_back({"non_ascii_model_missing",
                    frenchFolder,
                    {"rewrite", "--model", "mes pages/mod\xc3\xa8le absent.txt", "--id", "24680",
                     "mes pages/\xc3\xa7"
                     "a \xc3\xa9t\xc3\xa9.htm",
                     "--in-place"},
                    2,
                    cannotOpen("mes pages/mod\xc3\xa8le absent.txt")});
    rows.push_back({"non_ascii_target_folder_missing", frenchFolder,
                    rewriteArgs("mes pages/\xc3\xa7"
                                "a \xc3\xa9t\xc3\xa9.htm",
                                {"-o", "mes pages/d\xc3\xa9j\xc3\xa0 parti/r\xc3\xa9sultat.htm"}),
                    2,
                    cannotCreate("mes pages/d\xc3\xa9j\xc3\xa0 parti/r\xc3\xa9sultat.htm: No such file or directory")});
    return rows;
}

struct CleanupGuard {
    const std::function<void(const fs::path &)> &cleanup;
    const fs::path &tmp;
    ~CleanupGuard() {
        if (cleanup) {
            cleanup(tmp);
        }
    }
};

class CliBadInput : public ::testing::TestWithParam<Row> {};

TEST_P(CliBadInput, ExitCodeMessageAndNothingLost) {
    const Row &row = GetParam();
    if (row.skip) {
        if (const std::optional<std::string> reason = row.skip()) {
            GTEST_SKIP() << *reason;
        }
    }
    const TempDir tmp;
    // Gives back what the row took away (write permission) before the folder is removed.
    const CleanupGuard guard{row.cleanup, tmp.path()};
    fs::create_directory(tmp.path() / "config");
    writeFile(tmp.path() / "out.htm", kPreviousOutput);
    fs::permissions(tmp.path() / "out.htm", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    row.prepare(tmp.path());
    // A row about permissions runs as a user whom they stop: for the superuser, another user,
    // who owns the folder as this process's user would and reads a copy of the model.
    const std::optional<unsigned> user = row.permissionsStop ? ordinaryUser() : std::nullopt;
    handOver(tmp.path(), user);
    const std::map<std::string, std::string> before = snapshot(tmp.path());

    CliRun run;
    for (const std::string &arg : row.args) {
        run.args.push_back(substitute(arg, tmp.path(), user ? readableCopy(modelPath()) : modelPath()));
    }
    run.workDir = tmp.path();
    run.configHome = tmp.path() / "config";
    const CliResult result = runCli(run, {}, user);

    ASSERT_NE(result.exitCode, -1) << "ended by a signal; stderr: " << result.err;
    EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
    EXPECT_EQ(result.err, substitute(row.err, tmp.path()));
    if (row.exitCode != 0) {
        EXPECT_EQ(result.out, "");
        // The pages, the earlier output, the settings: all as they were.
        EXPECT_EQ(snapshot(tmp.path()), before);
    }
    EXPECT_EQ(leftovers(tmp.path()), std::vector<std::string>{});
    if (row.check) {
        row.check(tmp.path(), result);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, CliBadInput, ::testing::ValuesIn(makeRows()),
                         [](const ::testing::TestParamInfo<Row> &info) { return info.param.name; });

// ---------------------------------------------------------------------------------------------
// Named pipes
// ---------------------------------------------------------------------------------------------

// Opens the named pipe for writing every `interval` until stopped, which lets a reader that
// waits in open() go on; counts how often a reader was waiting.
class PipeNudger {
public:
    PipeNudger(fs::path pipe, std::chrono::milliseconds interval)
        : m_pipe(std::move(pipe)), m_interval(interval), m_thread([this] { nudge(); }) {}
    PipeNudger(const PipeNudger &) = delete;
    PipeNudger &operator=(const PipeNudger &) = delete;
    ~PipeNudger() { stop(); }

    // Stops the nudging; how many times a reader was found waiting.
    int stop() {
        {
            const std::lock_guard lock(m_mutex);
            m_stopped = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_nudges;
    }

private:
    void nudge() {
        std::unique_lock lock(m_mutex);
        while (!m_wake.wait_for(lock, m_interval, [this] { return m_stopped; })) {
            // Without a reader the open fails at once (ENXIO) and nothing happens.
            const int fd = ::open(m_pipe.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                ++m_nudges;
                ::close(fd);
            }
        }
    }

    fs::path m_pipe;
    std::chrono::milliseconds m_interval;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopped = false;
    int m_nudges = 0;
    std::thread m_thread;
};

// A named pipe given as the page, the model or the settings file is not a regular file: it
// is refused at once like a folder or a device, never waited on for a writer. Here the nudger plays the
// writer after a second, so the test ends either way and counts the waits.
TEST(CliBadInput, NamedPipeIsRefusedWithoutWaitingForAWriter) {
    struct PipeCase {
        std::string name;
        std::vector<std::string> args;
        int exitCode;
        std::string err;
    };
    const TempDir tmp;
    fs::create_directory(tmp.path() / "config");
    fs::copy_file(pagesDir() / "one_form.htm", tmp.path() / "page.htm");
    const fs::path pipe = tmp.path() / "pipe";
    const std::vector<PipeCase> cases = {
        {"page", {"scan", pipe.string()}, 2, cannotOpen(pipe.string())},
        {"model", {"rewrite", "--model", pipe.string(), "--id", "24680", "page.htm"}, 2, cannotOpen(pipe.string())},
        // An unreadable settings file is no settings file.
        {"settings", {"rewrite", "--model", modelPath().string(), "--id", "24680", "page.htm"}, 0, ""},
    };
    for (const PipeCase &pipeCase : cases) {
        SCOPED_TRACE(pipeCase.name);
        const fs::path fifo = pipeCase.name == "settings" ? tmp.path() / "config" / "velmoraine.ini" : pipe;
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        PipeNudger nudger(fifo, std::chrono::milliseconds(1000));
        const CliResult result = runCli({pipeCase.args, tmp.path(), tmp.path() / "config", {}});
        const int waits = nudger.stop();
        fs::remove(fifo);
        ASSERT_NE(result.exitCode, -1) << "ended by a signal";
        EXPECT_EQ(result.exitCode, pipeCase.exitCode) << result.err;
        EXPECT_EQ(result.err, pipeCase.err);
        EXPECT_EQ(waits, 0) << "velmoraine-cli waited in open() for a writer of " << fifo;
    }
    EXPECT_EQ(readFile(tmp.path() / "page.htm"), readFile(pagesDir() / "one_form.htm"));
}

// ---------------------------------------------------------------------------------------------
// A 1 GB page
// ---------------------------------------------------------------------------------------------

// The page: a head, a gigabyte of paragraphs, then the form, so that the scan and the
// rewriter cross all of it.
struct BigPage {
    static constexpr std::size_t kTarget = std::size_t{1} << 30;
    std::string head = "<html><head><title>big</title></head><body>\n";
    std::string filler = "<p>Filler with a <b>tag</b>, an <!-- aside --> and <form-like> words.</p>\n";
    std::string tail = "<form method=\"post\" action=\"a.cgi\" name=\"big\">\n<input type=\"text\" name=\"email\">\n"
                       "</form>\n</body></html>\n";
    std::size_t fillers = kTarget / filler.size();

    [[nodiscard]] std::size_t size() const { return head.size() + fillers * filler.size() + tail.size(); }
    [[nodiscard]] std::string small() const { return head + filler + tail; }

    void write(const fs::path &path) const {
        std::ofstream out(path, std::ios::binary);
        out << head;
        std::string block;
        for (int i = 0; i < 4096; ++i) {
            block += filler;
        }
        std::size_t left = fillers;
        for (; left >= 4096; left -= 4096) {
            out << block;
        }
        for (; left > 0; --left) {
            out << filler;
        }
        out << tail;
        ASSERT_TRUE(out.good()) << "cannot write " << path;
    }
};

// True when `path` holds `prefix`, then the filler `count` times, then `suffix`, read in
// pieces so the test itself never holds the gigabyte.
bool holds(const fs::path &path, const std::string &prefix, const std::string &filler, std::size_t count,
           const std::string &suffix) {
    std::ifstream in(path, std::ios::binary);
    const auto take = [&in](std::size_t size) {
        std::string piece(size, '\0');
        in.read(piece.data(), static_cast<std::streamsize>(size));
        piece.resize(static_cast<std::size_t>(in.gcount()));
        return piece;
    };
    if (take(prefix.size()) != prefix) {
        return false;
    }
    std::string block;
    for (int i = 0; i < 4096; ++i) {
        block += filler;
    }
    std::size_t left = count;
    for (; left >= 4096; left -= 4096) {
        if (take(block.size()) != block) {
            return false;
        }
    }
    for (; left > 0; --left) {
        if (take(filler.size()) != filler) {
            return false;
        }
    }
    return take(suffix.size() + 1) == suffix; // and nothing after it
}

TEST(CliBadInput, GigabytePage) {
    const char *big = std::getenv("VELMORAINE_BIG_TESTS");
    if (big == nullptr || std::string(big) != "1") {
        GTEST_SKIP() << "the 1 GB page runs only with VELMORAINE_BIG_TESTS=1";
    }
    const TempDir tmp;
    if (fs::space(tmp.path()).available < std::uintmax_t{4} << 30) {
        GTEST_SKIP() << "less than 4 GB free in " << tmp.path();
    }
    fs::create_directory(tmp.path() / "config");
    const BigPage bigPage;
    const fs::path page = tmp.path() / "big.htm";
    bigPage.write(page);
    ASSERT_EQ(fs::file_size(page), bigPage.size());

    // The same page with one paragraph gives the bytes around the filler.
    writeFile(tmp.path() / "small.htm", bigPage.small());
    const std::vector<std::string> rewrite{"rewrite", "--model", modelPath().string(), "--id", "24680",
                                           "--rule",  "email"};
    std::vector<std::string> smallArgs = rewrite;
    smallArgs.push_back("small.htm");
    const CliResult small = runCli({smallArgs, tmp.path(), tmp.path() / "config", {}});
    ASSERT_EQ(small.exitCode, 0) << small.err;
    const std::size_t fillerAt = small.out.find(bigPage.filler);
    ASSERT_NE(fillerAt, std::string::npos);
    const std::string outPrefix = small.out.substr(0, fillerAt);
    const std::string outSuffix = small.out.substr(fillerAt + bigPage.filler.size());
    fs::remove(tmp.path() / "small.htm");

    const CliResult scan = runCli({{"scan", "--json", "big.htm"}, tmp.path(), tmp.path() / "config", {}});
    ASSERT_NE(scan.exitCode, -1) << "ended by a signal";
    EXPECT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_NE(scan.out.find("\"fields\": [\n    \"email\"\n  ]"), std::string::npos) << scan.out;

    // A refused rewrite over the page leaves it as it was.
    const auto inode = [](const fs::path &path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_ino;
    };
    const auto pageInode = inode(page);
    std::vector<std::string> refused = rewrite;
    refused.insert(refused.end(), {"--rule", "gift", "big.htm", "--in-place"});
    const CliResult refusedRun = runCli({refused, tmp.path(), tmp.path() / "config", {}});
    EXPECT_EQ(refusedRun.exitCode, 3);
    EXPECT_EQ(refusedRun.err, "Field \"gift\" is not in the chosen form of your HTML page.\n");
    EXPECT_EQ(inode(page), pageInode);

    std::vector<std::string> toFile = rewrite;
    toFile.insert(toFile.end(), {"big.htm", "-o", "out.htm"});
    const CliResult written = runCli({toFile, tmp.path(), tmp.path() / "config", {}});
    ASSERT_NE(written.exitCode, -1) << "ended by a signal";
    EXPECT_EQ(written.exitCode, 0) << written.err;
    EXPECT_TRUE(holds(tmp.path() / "out.htm", outPrefix, bigPage.filler, bigPage.fillers, outSuffix));
    fs::remove(tmp.path() / "out.htm");
    EXPECT_TRUE(holds(page, bigPage.head, bigPage.filler, bigPage.fillers, bigPage.tail)) << "the page changed";
    EXPECT_EQ(leftovers(tmp.path()), std::vector<std::string>{});
}

// A page larger than the memory the command may have is refused with a message, not a crash,
// and nothing is written.
TEST(CliBadInput, PageTooLargeForTheMemoryAllowed) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
#else
    const TempDir tmp;
    std::string page = "<html><head></head><body><form action=\"x\">";
    for (int i = 0; page.size() < 24 * 1024 * 1024; ++i) {
        page += "<p><input type=\"text\" name=\"f" + std::to_string(i) + "\"></p>\n";
    }
    page += "</form></body></html>";
    writeFile(tmp.path() / "big.htm", page);
    writeFile(tmp.path() / "out.htm", "earlier output");
    constexpr long kLimit = 16L * 1024 * 1024;
    const std::vector<std::vector<std::string>> commands = {
        {"scan", "--json", "big.htm"},
        {"rewrite", "--model", modelPath().string(), "--id", "24680", "--rule", "f1", "big.htm", "-o", "out.htm"},
        {"rewrite", "--model", modelPath().string(), "--id", "24680", "--rule", "f1", "big.htm", "--in-place"}};
    for (const std::vector<std::string> &args : commands) {
        const CliResult result = runCli({args, tmp.path(), tmp.path() / "config", {}}, kLimit);
        EXPECT_EQ(result.exitCode, 2) << args.back();
        EXPECT_EQ(result.err, "Not enough memory to work on big.htm\n") << args.back();
        EXPECT_EQ(result.out, "") << args.back();
    }
    EXPECT_EQ(readFile(tmp.path() / "big.htm"), page);
    EXPECT_EQ(readFile(tmp.path() / "out.htm"), "earlier output");
    EXPECT_EQ(leftovers(tmp.path()), std::vector<std::string>{});
#endif
}

} // namespace
} // namespace velmoraine::clitest
