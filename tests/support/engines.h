#pragma once

#include "support/testapp.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// Tests written once for a shop file and for a shop on the tests' own PostgreSQL server.

// The engine's name in a test's name: Engines/<suite>.<test>/File and …/Server.
std::string engineName(const ::testing::TestParamInfo<TestShop::Engine> &info);

// Runs every TEST_P of `suite` (a fixture taking TestShop::Engine) on both engines.
#define INSTANTIATE_ON_BOTH_ENGINES(suite)                                                                          \
    INSTANTIATE_TEST_SUITE_P(Engines, suite, ::testing::Values(TestShop::Engine::File, TestShop::Engine::Server), \
                             engineName)

// A fixture whose shop is on the engine of the test's parameter.
class ShopOnEngine : public ::testing::TestWithParam<TestShop::Engine> {
protected:
    std::unique_ptr<TestShop> owned = TestShop::on(GetParam());
    TestShop &shop = *owned;
};
