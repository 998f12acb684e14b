#include <gtest/gtest.h>

#include <clocale>
#include <locale>

int main(int argc, char** argv)
{
    // Take LC_ALL and friends from the environment, as a Qt application does on Unix.
    std::setlocale(LC_ALL, "");
    try {
        std::locale::global(std::locale(""));
    } catch (const std::runtime_error&) {
        // An unknown locale name in the environment: stay with the C locale.
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
