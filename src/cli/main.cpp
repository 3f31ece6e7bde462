#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "tagmere-cli " << TAGMERE_VERSION << "\n";
        return 0;
    }
    std::cout << "usage: tagmere-cli COMMAND [ARGS]\n";
    return argc > 1 && std::strcmp(argv[1], "--help") != 0 ? 2 : 0;
}
