// The menu window: starts games, edits keys, shows and sends the records.
#pragma once

#include "state/state.h"

Screen RunMenu();
