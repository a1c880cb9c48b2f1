#pragma once
// The engine is SQLCipher; its key functions only appear with SQLITE_HAS_CODEC.
#ifndef SQLITE_HAS_CODEC
#define SQLITE_HAS_CODEC 1
#endif
#include <sqlcipher/sqlite3.h>
