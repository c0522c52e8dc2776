#pragma once

// Incompressible test data that is the same on every run: the salt picks
// one of many fixed sequences, so two calls with one salt give equal bytes.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

template <typename Container>
Container RandomData(size_t size, unsigned salt)
{
    std::mt19937 random(salt);
    Container data(size, 0);
    for (auto& byte : data)
        byte = static_cast<typename Container::value_type>(random());
    return data;
}

inline std::string RandomText(size_t size, unsigned salt)
{
    return RandomData<std::string>(size, salt);
}

inline std::vector<uint8_t> RandomBytes(size_t size, unsigned salt)
{
    return RandomData<std::vector<uint8_t>>(size, salt);
}
