#pragma once

namespace dravik {

// Registers the compiled-in resources; a static library's resources need this call from the program.
void InitResources();

}  // namespace dravik
