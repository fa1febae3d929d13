// The password rules both password front ends ask: the limits of the key, by the way of the batch.
#include <gtest/gtest.h>

#include "engine_test_files.h"
#include "password_rules.h"

namespace {

TEST(PasswordRules, EachProblemIsNamedForTheWayItMatters) {
    const Utf16String withNul = U("ab") + Utf16String(1, 0) + U("c");
    struct Case {
        Utf16String password;
        PasswordProblem encrypting;
        PasswordProblem decrypting;
    };
    const Case cases[] = {
        {U(""), PasswordProblem::Empty, PasswordProblem::Empty},
        {U("a"), PasswordProblem::None, PasswordProblem::None},
        {Utf16String(32, 'p'), PasswordProblem::None, PasswordProblem::None},
        {Utf16String(33, 'p'), PasswordProblem::TooLong, PasswordProblem::TooLong},
        {withNul, PasswordProblem::HasNul, PasswordProblem::HasNul},
        {U("caf\u00ff"), PasswordProblem::None, PasswordProblem::None},
        {U("abc\u20ac"), PasswordProblem::BeyondLatin1, PasswordProblem::None},
        {U("\u5bc6\u7801"), PasswordProblem::BeyondLatin1, PasswordProblem::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckPassword(c.password, BatchMode::Encrypt), c.encrypting) << c.password.size();
        EXPECT_EQ(CheckPassword(c.password, BatchMode::Decrypt), c.decrypting) << c.password.size();
    }
}

} // namespace
