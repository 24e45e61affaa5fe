// Placeholder entry until the main window lands.
#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Korvia");
    return 0;
}
