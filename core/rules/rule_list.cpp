#include "core/rules/rule_list.h"

#include <cassert>

#include "core/rules/rule_record.h"

namespace velmoraine::rules {

int RuleList::find(std::string_view field) const {
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (recordFieldName(m_records[i]) == field) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void RuleList::append(std::string record, std::string display) {
    m_displays.push_back(std::move(display));
    m_records.push_back(std::move(record));
}

void RuleList::replace(std::size_t index, std::string record, std::string display) {
    assert(index < m_records.size());
    if (index >= m_records.size()) {
        return;
    }
    m_records[index] = std::move(record);
    m_displays[index] = std::move(display);
}

void RuleList::remove(std::size_t index) {
    assert(index < m_records.size());
    if (index >= m_records.size()) {
        return;
    }
    m_displays.erase(m_displays.begin() + static_cast<std::ptrdiff_t>(index));
    m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(index));
}

void RuleList::clear() {
    m_records.clear();
    m_displays.clear();
}

RuleList::AddOutcome RuleList::addOrReplace(std::string_view field, std::string record, std::string display) {
    const int index = find(field);
    if (index < 0) {
        append(std::move(record), std::move(display));
        return AddOutcome::Appended;
    }
    replace(static_cast<std::size_t>(index), std::move(record), std::move(display));
    return AddOutcome::Replaced;
}

} // namespace velmoraine::rules
