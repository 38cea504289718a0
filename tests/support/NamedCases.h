// Case tables of parameterized tests: each row starts with its name, which
// labels the generated test and stands for the row in gtest's messages and
// listings (instead of a dump of the row's bytes).
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace tessaline::testing {

// The first member of a case row: `struct Row : NamedCase { ... };` and
// rows written as {"name", ...}.
struct NamedCase
{
    const char* name;
};

inline std::ostream& operator<<(std::ostream& out, const NamedCase& row)
{
    return out << row.name;
}

// The name generator for INSTANTIATE_TEST_SUITE_P over named rows.
struct CaseName
{
    template <typename Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const
    {
        return info.param.name;
    }
};

}  // namespace tessaline::testing
