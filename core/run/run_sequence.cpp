#include "core/run/run_sequence.h"

#include <utility>

#include "core/run/startup.h"

namespace velmoraine::run {

bool RunSequence::acceptAccountId(std::string_view accountIdText) const {
    return m_mode == rewrite::LaunchMode::Editor || startup::accountIdAccepted(accountIdText);
}

const rewrite::ModelRead &RunSequence::loadModel(const std::string &path) {
    m_model = rewrite::readModel(path);
    return m_model;
}

rewrite::PiecesResult RunSequence::build(const Request &request) const {
    if (!m_model.text) {
        rewrite::PiecesResult refused;
        refused.message = m_model.message;
        return refused;
    }
    rewrite::RewriteInput input;
    input.page = request.page;
    input.model = *m_model.text;
    input.chosenForm = request.chosenForm;
    input.accountIdText = request.accountIdText;
    input.formNumber = request.formNumber;
    input.records = request.records;
    input.mode = m_mode;
    input.html5Fallback = request.html5Fallback;
    input.formLanguage = request.formLanguage;
    input.legacyFields = request.legacyFields;
    return rewrite::rewritePageInPieces(input);
}

void RunSequence::releaseModel() { m_model.text.reset(); }

files::WriteResult RunSequence::write(const std::string &target, std::span<const std::string_view> pieces,
                                      const files::WriteOptions &options) {
    return files::writeFileAtomically(target, pieces, options);
}

files::WriteResult RunSequence::write(const std::string &target, std::string_view bytes,
                                      const files::WriteOptions &options) {
    return files::writeFileAtomically(target, bytes, options);
}

} // namespace velmoraine::run
