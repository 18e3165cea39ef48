#pragma once

namespace qlm {

// Makes libgcrypt ready for use (once per process, from any caller): checks its
// version and turns off the secure-memory pool, which we do not need for keys
// the user types in plain text anyway.
void initialiseCryptoLibrary();

} // namespace qlm
