#include "support/engines.h"

std::string engineName(const ::testing::TestParamInfo<TestShop::Engine> &info)
{
    return info.param == TestShop::Engine::File ? "File" : "Server";
}
