#pragma once

// The interface texts live beside the settings key they read, so that the dialogs of app/ use the same texts.
#include "app/ui_texts.h"
