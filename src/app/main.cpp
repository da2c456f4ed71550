#include "QuorvexApp.h"

int main(int argc, char** argv) {
    quorvex::app::CQuorvexApp app(argc, argv);
    return app.InitInstance();
}
