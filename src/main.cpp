#include "shell/application.h"

int main(int argc, char** argv) { return orvalis::Application::Run(argc, argv); }
