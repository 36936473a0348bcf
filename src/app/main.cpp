#include "app/updater_app.h"

int main(int argc, char** argv) {
  tr58k::CUpdaterApp app(argc, argv);
  return app.Run();
}
