# The two commands a new user needs: `make run` and `make test`. Both install what is missing,
# build, and then start the program or run every test.
BUILD ?= build
PROGRAM := $(BUILD)/velaria/velaria
JOBS ?= 2
# Where make install puts Velaria: per-user by default; an administrator may choose /usr/local.
PREFIX ?= $(HOME)/.local

.PHONY: run test build setup setup-test clean install uninstall package bench

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

setup:
	scripts/setup

setup-test:
	scripts/setup --test

clean:
	rm -rf $(BUILD)
