#include "resources/resources.h"

#include <QtGlobal>

static void InitDravikResources() {
    Q_INIT_RESOURCE(resources);
}

namespace dravik {

void InitResources() {
    InitDravikResources();
}

}  // namespace dravik
