#pragma once

#include <QCursor>

// The pointing hand of links and of the advert banner, from the cursor
// resource with its hot spot at the tip of the index finger. Throws
// EQuorvikError when the resource is missing.
QCursor LoadHandCursor();
