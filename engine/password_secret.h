// A password on its way from the dialog or the prompt to the engine: at most ENC_MAX_PASSWORD_UNITS
// UTF-16 units in a fixed buffer that never grows or moves (so no earlier copy is left behind), never
// copied, and wiped when it goes.
#pragma once

#include <cstddef>

#include "enc_format.h"
#include "path_text.h"
#include "secure_wipe.h"

class PasswordSecret {
public:
    static constexpr size_t kCapacity = ENC_MAX_PASSWORD_UNITS + 1; // terminator included

    PasswordSecret() = default;
    ~PasswordSecret() { Wipe(); }
    PasswordSecret(const PasswordSecret&) = delete;
    PasswordSecret& operator=(const PasswordSecret&) = delete;

    // Takes the text, or nothing (false, empty) when it is longer than ENC_MAX_PASSWORD_UNITS units.
    bool Assign(const Utf16Char* text, size_t size) {
        Wipe();
        if (size > ENC_MAX_PASSWORD_UNITS) {
            return false;
        }
        for (size_t index = 0; index < size; ++index) {
            m_units[index] = text[index];
        }
        m_size = size;
        return true;
    }
    // Adds one unit; false (the unit left out) when the password is full.
    bool Append(Utf16Char unit) {
        if (m_size >= ENC_MAX_PASSWORD_UNITS) {
            return false;
        }
        m_units[m_size++] = unit;
        return true;
    }
    void Wipe() {
        SecureWipe(m_units, sizeof m_units);
        m_size = 0;
    }

    const Utf16Char* c_str() const { return m_units; }
    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    Utf16View view() const { return Utf16View(m_units, m_size); }

private:
    Utf16Char m_units[kCapacity] = {};
    size_t m_size = 0;
};
