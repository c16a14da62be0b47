#include "core/run/run_sequence.h"

#include "core/run/startup.h"

namespace velmoraine::run {

bool RunSequence::acceptAccountId(std::string_view accountIdText) const {
    return m_mode == rewrite::LaunchMode::Editor || startup::accountIdAccepted(accountIdText);
}

const rewrite::ModelRead &RunSequence::loadModel(const std::string &path) {
    m_model = rewrite::readModel(path);
    return m_model;
}

rewrite::PiecesResult RunSequence::build(const rewrite::RewriteInput &choices) const {
    if (!m_model.text) {
        rewrite::PiecesResult refused;
        refused.message = m_model.message;
        return refused;
    }
    rewrite::RewriteInput input = choices;
    input.model = *m_model.text;
    input.mode = m_mode;
    return rewrite::rewritePageInPieces(input);
}

void RunSequence::releaseModel() { m_model.text.reset(); }

} // namespace velmoraine::run
