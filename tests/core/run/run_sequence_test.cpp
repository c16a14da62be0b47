#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/files.h"
#include "core/rewrite/page_rewriter.h"
#include "core/run/run_sequence.h"

namespace velmoraine {
namespace {

using rewrite::LaunchMode;

TEST(RunSequence, AccountIdAcceptedByLaunchMode) {
    struct Row {
        LaunchMode mode;
        const char *id;
        bool accepted;
    };
    // The bounds themselves are AccountIdCheck's; here, what the launch mode changes.
    for (const Row &row : {Row{LaunchMode::Normal, "12864", true}, Row{LaunchMode::Normal, "12863", false},
                           Row{LaunchMode::Normal, "", false}, Row{LaunchMode::Editor, "", true},
                           Row{LaunchMode::Editor, "12863", true}}) {
        EXPECT_EQ(run::RunSequence(row.mode).acceptAccountId(row.id), row.accepted) << row.id;
    }
}

TEST(RunSequence, BuildsWhatTheRewriterBuildsAndRefusesWithoutAModel) {
    const std::string source(VELMORAINE_SOURCE_DIR);
    const std::string model = source + "/core/rewrite/vlmodel.txt";
    // A page with an earlier hidden input, which the two launch modes treat differently.
    const std::optional<std::string> page = files::readWholeFile(source + "/tests/cli/pages/hidden_input.htm");
    ASSERT_TRUE(page);
    const std::vector<std::string> records{"name^0^1^0^0^Field \"name\" must be filled in."};
    for (const LaunchMode mode : {LaunchMode::Normal, LaunchMode::Editor}) {
        run::RunSequence run(mode);
        rewrite::RewriteInput request;
        request.page = *page;
        request.accountIdText = "24680";
        request.formNumber = 2;
        request.records = &records;
        request.html5Fallback = rewrite::Html5Fallback::On;
        // The run's mode stands, whatever the request holds.
        request.mode = mode == LaunchMode::Normal ? LaunchMode::Editor : LaunchMode::Normal;

        EXPECT_FALSE(run.build(request).output); // no model loaded yet
        ASSERT_TRUE(run.loadModel(model).text);
        const rewrite::PiecesResult built = run.build(request);
        ASSERT_TRUE(built.output);

        rewrite::RewriteInput input = request;
        input.model = *run.loadModel(model).text;
        input.mode = mode;
        EXPECT_EQ(built.output->joined(), rewrite::rewritePage(input).output.value_or("<gave up>"));

        run.releaseModel();
        EXPECT_FALSE(run.build(request).output);
    }
    run::RunSequence missing(LaunchMode::Normal);
    const rewrite::ModelRead &read = missing.loadModel(source + "/no such model.txt");
    EXPECT_TRUE(read.fileError);
    EXPECT_EQ(missing.build({}).message, read.message);
}

} // namespace
} // namespace velmoraine
