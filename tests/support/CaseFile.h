// Case tables kept as text files beside the tests that read them: one row a
// line, fields separated by tabs; blank lines and lines starting with # are
// skipped. Fields hold C escapes (\n \r \t \" \\ \xHH) for the bytes a text
// line cannot show.
//
// Threading: the test thread only.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <string>
#include <vector>

namespace tessaline::testing {

class CaseRow
{
public:
    CaseRow(const std::string& line, int number) : m_number(number)
    {
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            m_fields.push_back(Unescape(line.substr(start, tab - start)));
        m_fields.push_back(Unescape(line.substr(start)));
    }

    // The line's number in its file, for messages.
    int Line() const { return m_number; }
    // Field i; empty when the row has fewer fields.
    std::string Text(std::size_t i) const { return i < m_fields.size() ? m_fields[i] : std::string(); }
    // Field i, a decimal or 0x-prefixed number, as a T.
    template <typename T = int>
    T Number(std::size_t i) const
    {
        return static_cast<T>(std::stoll(Text(i), nullptr, 0));
    }
    // Whether the space-separated words of field i hold `word`.
    bool Has(std::size_t i, const std::string& word) const
    {
        return (" " + Text(i) + " ").find(" " + word + " ") != std::string::npos;
    }
    // Field i cut at each `separator`; none for an empty field.
    std::vector<std::string> List(std::size_t i, char separator = '|') const
    {
        std::vector<std::string> items;
        const std::string text = Text(i);
        for (std::size_t start = 0; !text.empty() && start <= text.size();) {
            const std::size_t end = std::min(text.find(separator, start), text.size());
            items.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return items;
    }

private:
    static std::string Unescape(const std::string& text)
    {
        std::string bytes;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '\\' || i + 1 == text.size()) {
                bytes += text[i];
                continue;
            }
            const char kind = text[++i];
            if (kind == 'x' && i + 2 < text.size()) {
                bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                bytes += kind == 'n' ? '\n' : kind == 'r' ? '\r' : kind == 't' ? '\t' : kind;
            }
        }
        return bytes;
    }

    std::vector<std::string> m_fields;
    int m_number;
};

// The rows of the case file at `path`; one that cannot be read fails the
// current test.
inline std::vector<CaseRow> ReadCases(const std::string& path)
{
    std::vector<CaseRow> rows;
    std::ifstream file(path);
    EXPECT_TRUE(file.is_open()) << "cannot read " << path;
    int number = 0;
    for (std::string line; std::getline(file, line);) {
        ++number;
        if (!line.empty() && line[0] != '#')
            rows.emplace_back(line, number);
    }
    return rows;
}

}  // namespace tessaline::testing
