// klv-loader: the KLV Loader program.
#include <QApplication>

#include "editor/ui/message_box.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  klv::ShowMessage(nullptr, "KLV Loader");
  return 0;
}
