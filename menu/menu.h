// The menu window: starts games, edits keys, shows and sends the records.
#pragma once

#include "startup/startup.h"

Screen RunMenu();
