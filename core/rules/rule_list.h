// The two parallel rule lists: the records as stored and the texts the rule list shows for them.
// Entry i of one always belongs to entry i of the other; at most one record per field name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmoraine::rules {

class RuleList {
public:
    // Index of the first record whose field name equals `field` exactly, or -1.
    [[nodiscard]] int find(std::string_view field) const;

    void append(std::string record, std::string display);
    void replace(std::size_t index, std::string record, std::string display);
    void remove(std::size_t index);
    void clear();

    enum class AddOutcome { Appended, Replaced };
    // "Add >>" semantics: replace the field's record in place, or append it.
    AddOutcome addOrReplace(std::string_view field, std::string record, std::string display);

    [[nodiscard]] std::size_t size() const { return m_records.size(); }
    [[nodiscard]] bool empty() const { return m_records.empty(); }
    [[nodiscard]] const std::vector<std::string> &records() const { return m_records; }
    [[nodiscard]] const std::vector<std::string> &displays() const { return m_displays; }

private:
    std::vector<std::string> m_records;
    std::vector<std::string> m_displays;
};

} // namespace velmoraine::rules
