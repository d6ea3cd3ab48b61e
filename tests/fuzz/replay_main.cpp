// Runs a fuzz target once on every file of its corpus folder, without the fuzzing
// engine, so ordinary builds keep every seed and every input that ever failed.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

int main(int argc, char **argv)
{
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto &entry : std::filesystem::directory_iterator(argc == 2 ? argv[1] : "", error))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    if (error || files.empty()) { // a corpus gone missing must not pass as one without faults
        std::fprintf(stderr, "uso: %s CARPETA_DEL_CORPUS, con entradas que repetir\n", argv[0]);
        return 1;
    }
    for (const auto &file : files) {
        std::ifstream in(file, std::ios::binary);
        std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        if (!in.is_open() || in.bad()) {
            std::fprintf(stderr, "%s: no se pudo leer\n", file.c_str());
            return 1;
        }
        std::printf("%s\n", file.filename().c_str());
        std::fflush(stdout); // the last name printed is the input that crashed
        bytes.reserve(1);    // libFuzzer never hands over a null pointer, even for no bytes
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu entradas sin fallo\n", files.size());
    return 0;
}
