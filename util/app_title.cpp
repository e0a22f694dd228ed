#include "util/app_title.h"

namespace apptitle {

namespace {

// The process's one application title; GUI thread only.
QString& Stored() {
    static QString title;
    return title;
}

} // namespace

QString Title() {
    return Stored();
}

void SetTitle(const QString& title) {
    Stored() = title;
}

} // namespace apptitle
