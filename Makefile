# The two commands a new user needs: `make run` and `make test`. Both install what is missing,
# build, and then start the program or run every test.
BUILD ?= build
PROGRAM := $(BUILD)/velaria/velaria
JOBS ?= 2
# Where make install puts Velaria: per-user by default; an administrator may choose /usr/local.
PREFIX ?= $(HOME)/.local

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer, in a build folder of
# their own: any memory fault or undefined behaviour fails the test that meets it.
SANITIZE_BUILD ?= build-asan
SANITIZE_FLAGS := -fsanitize=address,undefined -fno-sanitize-recover=undefined \
  -fno-omit-frame-pointer
# intercept_tls_get_addr=0: this compiler's leak checker misreads the thread-local blocks that
# glibc 2.36 hands out and its tracer dies at exit (after the test has passed), depending on how
# memory happens to lie. Without it the checker only no longer follows pointers held in the
# thread-local blocks of libraries opened at run time; every other check stays.
SANITIZE_ENV := ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:detect_stack_use_after_return=1:intercept_tls_get_addr=0 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# The Windows build, cross-compiled with mingw-w64 against libraries that scripts/windows-deps
# builds once from Debian's sources into the user's cache, and tested under Wine.
WINDOWS_BUILD ?= build-windows
WINDOWS_PACKAGE := $(WINDOWS_BUILD)/velaria-1.0.0-windows-x86_64.zip

.PHONY: run test test-sanitize build setup setup-test clean install uninstall package bench \
  bench-scale windows windows-configure windows-package test-windows

run: setup build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No hay pantalla gráfica (DISPLAY no está definido)."; \
	  echo "Arranque Velaria desde un escritorio, o en un servidor X virtual con:"; \
	  echo "  xvfb-run -a $(PROGRAM)"; \
	  exit 1; \
	fi
	$(PROGRAM)

test: setup-test build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-sanitize: setup-test
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_FLAGS="$(SANITIZE_FLAGS)" -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
	  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(SANITIZE_ENV) ctest --output-on-failure -j $(JOBS)

build:
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD) -j $(JOBS)

install: setup build
	cmake --install $(BUILD) --prefix "$(PREFIX)" --strip
	@echo "Velaria está instalado en «$(PREFIX)/opt/velaria» y aparece en el menú de aplicaciones."

uninstall:
	cmake -DPREFIX="$(PREFIX)" -P cmake/Uninstall.cmake

# A relocatable archive of the program folder alone, e.g. build/velaria-1.0.0-x86_64.tar.gz.
package: setup build
	cd $(BUILD) && cpack

# Times the batch run against its peers on generated pictures (a few minutes; not part of test).
bench: setup build
	bench/setup.sh
	cmake --build $(BUILD) -j $(JOBS) --target velaria_bench turbojpeg_pipeline
	bench/make_corpus.sh $(BUILD)/bench/corpus
	/usr/bin/python3 bench/run.py $(BUILD) $(BUILD)/bench/corpus

# Time per picture and memory at 1,000, 10,000 and 40,000 small pictures, and on 200-megapixel
# photos (about a quarter of an hour; not part of test).
bench-scale: setup build
	bench/setup.sh
	cmake --build $(BUILD) -j $(JOBS) --target velaria_bench turbojpeg_pipeline big_jpeg
	/usr/bin/python3 bench/scale.py $(BUILD) $(BUILD)/bench/scale

windows-configure:
	scripts/windows-deps
	prefix=$$(scripts/windows-deps --print-prefix) && \
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	  -DVELARIA_WINDOWS_PREFIX="$$prefix" -DCMAKE_PREFIX_PATH="$$prefix" \
	  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
	  -DVELARIA_LINUX_PROGRAM_DIR=$(CURDIR)/$(BUILD)/velaria

# velaria.exe and DIjpg.dll, in $(WINDOWS_BUILD)/velaria.
windows: windows-configure
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target velaria DIjpg

# The portable program folder as a zip: $(WINDOWS_PACKAGE).
windows-package: windows
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target windows_package

# The unit and window tests under Wine, and the package's end-to-end run under Wine in Xvfb,
# whose outputs are compared with the Linux build's. One Wine server stays up for the whole run,
# so that each test's start is quick.
test-windows: setup-test build windows-package
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	$(WINDOWS_BUILD)/wine-run --start
	cd $(WINDOWS_BUILD) && ctest --output-on-failure -j $(JOBS); \
	  status=$$?; ./wine-run --stop; exit $$status

setup:
	scripts/setup

setup-test:
	scripts/setup --test

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(WINDOWS_BUILD)
