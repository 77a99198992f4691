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

// The shop of a fixture: a shop file unless the fixture is made for another engine. As a base of
// the fixture it is made before the fixture's own members, which may use it.
struct ShopFixture {
    explicit ShopFixture(TestShop::Engine engine = TestShop::Engine::File) : owned(TestShop::on(engine)) {}
    std::unique_ptr<TestShop> owned;
    TestShop &shop = *owned;
};

// A fixture whose shop is on the engine of the test's parameter.
class ShopOnEngine : public ::testing::TestWithParam<TestShop::Engine>, protected ShopFixture {
protected:
    ShopOnEngine() : ShopFixture(GetParam()) {}
};

// `Fixture` (a ShopFixture made for an engine) on the engine of the test's parameter, for the
// fixture's tests that run on both engines while its others stay on a file.
template <class Fixture>
class OnBothEngines : public Fixture, public ::testing::WithParamInterface<TestShop::Engine> {
protected:
    OnBothEngines() : Fixture(GetParam()) {}
};
