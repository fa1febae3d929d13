// Which way a conversion goes: the one type the product speaks for encrypt or decrypt.
#pragma once

enum class BatchMode { Decrypt, Encrypt };
