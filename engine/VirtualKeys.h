#pragma once
// Moved to platform/; this forwarder goes once every include names the new place.
#include "platform/VirtualKeys.h"
