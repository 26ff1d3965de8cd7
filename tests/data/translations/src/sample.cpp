// SPDX-License-Identifier: GPL-3.0-or-later
// Input for the translation check's own test: two translatable texts.
#include <QCoreApplication>

QString first() {
    return QCoreApplication::translate("Sample", "第一");
}

QString second() {
    return QCoreApplication::translate("Sample", "第二");
}
