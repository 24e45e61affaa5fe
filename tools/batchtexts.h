// korvia-batch's texts for the user (its messages, progress lines and --help) go through Qt's
// translation under this context; main installs the catalogue of the user's language.
#pragma once
#include <QCoreApplication>

struct batchTexts {
    Q_DECLARE_TR_FUNCTIONS(batchTexts)
};
