#include "tool_runner.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sys/wait.h>

namespace dst_test {

scratch_dir::scratch_dir(const std::string& name)
{
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() / ("qvx_" + name + "_" + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
}

scratch_dir::~scratch_dir()
{
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::vector<std::uint8_t> read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

run_result run(const std::string& command, const scratch_dir& dir)
{
    const std::string out = dir.path("stdout.txt"), err = dir.path("stderr.txt");
    const int raw = std::system((command + " >'" + out + "' 2>'" + err + "'").c_str());
    run_result r;
    r.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const auto o = read_file(out), e = read_file(err);
    r.out.assign(o.begin(), o.end());
    r.err.assign(e.begin(), e.end());
    return r;
}

std::string built_program(const std::string& name)
{
    const char* build = std::getenv("QVX_BUILD_DIR");
    return std::string(build ? build : ".") + "/bin/" + name;
}

} // namespace dst_test
