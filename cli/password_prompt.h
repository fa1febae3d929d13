// Getting the password for a batch: asked on the terminal without echo (twice when encrypting, up to
// three tries), or read from the first line of standard input; checked before any file is touched.
#pragma once

#include <optional>
#include <string>

#include "batch_mode.h"
#include "password_secret.h"
#include "path_text.h"

// Why a password cannot be used, in words for the user; empty when it can.
std::string PasswordRefusal(Utf16View password, BatchMode mode);

// A warning about a password that is accepted but weak (shorter than 8 characters when encrypting); empty
// when there is none.
std::string PasswordWarning(Utf16View password, BatchMode mode);

// The password into *out (a fixed buffer that travels on to the engine), or false with *refusal telling
// why there is none to use.
bool ObtainPassword(bool fromStdin, BatchMode mode, PasswordSecret* out, std::string* refusal);
