#pragma once

#include <string>
#include <string_view>

#include "core/rewrite/model_lookup.h"
#include "core/rewrite/page_rewriter.h"

namespace velmoraine::run {

// The steps from "the author pressed Continue" (or ran `velmoraine-cli rewrite`) to the bytes
// to write, in the order both front ends take them, after the page scan (page_scan.h). The
// window and the command-line tool only gather the inputs and show what a step answers; the
// model and the launch mode of the rewrite are the run's own.
//
//   RunSequence run(mode);
//   if (!run.acceptAccountId(id)) ...            // Continue on page 1; the editor's run has none
//   const rewrite::ModelRead &model = run.loadModel(path); ...
//   rewrite::PiecesResult built = run.build(choices);
//   run.releaseModel();                          // the output holds no view into the model
//   files::writeFileAtomically(target, built.output->pieces, options);
class RunSequence {
public:
    explicit RunSequence(rewrite::LaunchMode mode) : m_mode(mode) {}

    rewrite::LaunchMode mode() const { return m_mode; }

    // The account-ID check of Continue: a normal run needs an accepted ID; the editor's run
    // takes the page with whatever ID the settings hold.
    bool acceptAccountId(std::string_view accountIdText) const;

    // Reads the script model at `path` (the --model path, or rewrite::modelPath of the main
    // directory) and keeps it for build(). May throw std::bad_alloc for a model too large.
    const rewrite::ModelRead &loadModel(const std::string &path);

    // The updated page for what the front end gathered (the page as scanned, the chosen form,
    // the account ID, the rules and the choices), with the loaded model and the run's mode in
    // place of those of `choices`. Without a loaded model the result carries the model's
    // message and no output.
    rewrite::PiecesResult build(const rewrite::RewriteInput &choices) const;

    // Frees the model once the output is built: the output's pieces do not point into it.
    void releaseModel();

private:
    rewrite::LaunchMode m_mode;
    rewrite::ModelRead m_model;
};

} // namespace velmoraine::run
