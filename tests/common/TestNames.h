#pragma once
// Names for the cases of parameterized test tables, so that every case is
// listed as Table/Suite.Test/<what it checks> instead of a byte dump or an
// index. GoogleTest accepts only [A-Za-z0-9_] in such a name, and the name
// must be unique within its table.
#include <QString>
#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace TestNames {

// Any text as a valid test name: letters and digits are kept, every run of
// other characters becomes one '_', and '_' at either end is dropped. Empty
// text (or text with no letter or digit) becomes "Empty".
inline std::string Sanitize(std::string_view text)
{
    std::string out;
    bool gap = false;
    for (char ch : text) {
        const bool keep = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9');
        if (!keep) {
            gap = true;
            continue;
        }
        if (gap && !out.empty())
            out += '_';
        gap = false;
        out += ch;
    }
    return out.empty() ? std::string("Empty") : out;
}
inline std::string Sanitize(const char* text) { return Sanitize(std::string_view(text ? text : "")); }
inline std::string Sanitize(const std::string& text) { return Sanitize(std::string_view(text)); }
inline std::string Sanitize(const QString& text) { return Sanitize(text.toStdString()); }

// A number as a name part; negative numbers read "Minus5".
inline std::string Number(long long value)
{
    return value < 0 ? "Minus" + std::to_string(-value) : std::to_string(value);
}

// Name generator for tables whose case struct has a `name` field:
//   INSTANTIATE_TEST_SUITE_P(Cases, SomeTest, ::testing::Values(...), TestNames::ByName());
struct ByName
{
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const
    {
        return Sanitize(info.param.name);
    }
};

// The same for tables whose `name` field already holds input data and whose
// case name is in a `label` field.
struct ByLabel
{
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const
    {
        return Sanitize(info.param.label);
    }
};

} // namespace TestNames
