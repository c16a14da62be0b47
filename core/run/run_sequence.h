#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/files.h"
#include "core/rewrite/model_lookup.h"
#include "core/rewrite/page_rewriter.h"

namespace velmoraine::run {

// The steps from "the author pressed Continue" (or ran `velmoraine-cli rewrite`) to the bytes
// to write, in the order both front ends take them. The window and the command-line tool only
// gather the inputs and show what a step answers; neither builds a RewriteInput of its own.
//
//   RunSequence run(mode);
//   if (!run.acceptAccountId(id)) ...            // Continue on page 1; the editor's run has none
//   const rewrite::ModelRead &model = run.loadModel(path); ...
//   rewrite::PiecesResult built = run.build(request);
//   run.releaseModel();                          // the output holds no view into the model
//   run.write(target, built.output->pieces, options);
class RunSequence {
public:
    explicit RunSequence(rewrite::LaunchMode mode) : m_mode(mode) {}

    // What the front end gathered besides the model: the page as scanned and its choices.
    struct Request {
        std::string_view page;                             // the page's bytes, whole
        int chosenForm = 1;                                // form count order, 1-based
        std::string_view accountIdText;                    // the account ID as typed or stored
        int formNumber = 1;                                // 1..10
        const std::vector<std::string> *records = nullptr; // rule records in list order
        rewrite::Html5Fallback html5Fallback = rewrite::Html5Fallback::Off;
        std::string_view formLanguage{}; // written as the form's lang when it has none
        // The fields whose rules were imported from an earlier tool, whose checks then go;
        // null or empty: none.
        const std::vector<std::string> *legacyFields = nullptr;
    };

    rewrite::LaunchMode mode() const { return m_mode; }

    // The account-ID check of Continue: a normal run needs an accepted ID; the editor's run
    // takes the page with whatever ID the settings hold.
    bool acceptAccountId(std::string_view accountIdText) const;

    // Reads the script model at `path` (the --model path, or rewrite::modelPath of the main
    // directory) and keeps it for build(). May throw std::bad_alloc for a model too large.
    const rewrite::ModelRead &loadModel(const std::string &path);

    // The updated page for `request` with the loaded model. Without a loaded model the result
    // carries the model's message and no output.
    rewrite::PiecesResult build(const Request &request) const;

    // Frees the model once the output is built: the output's pieces do not point into it.
    void releaseModel();

    // Writes the output atomically to `target`.
    static files::WriteResult write(const std::string &target, std::span<const std::string_view> pieces,
                                    const files::WriteOptions &options = {});
    static files::WriteResult write(const std::string &target, std::string_view bytes,
                                    const files::WriteOptions &options = {});

private:
    rewrite::LaunchMode m_mode;
    rewrite::ModelRead m_model;
};

} // namespace velmoraine::run
