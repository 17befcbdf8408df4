# The two commands a new user needs: `make run` and `make test`. Both install what is missing,
# build, and then start the program or run every test.
BUILD ?= build
PROGRAM := $(BUILD)/velaria/velaria
JOBS ?= 2

.PHONY: run test build setup setup-test clean

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

setup:
	scripts/setup

setup-test:
	scripts/setup --test

clean:
	rm -rf $(BUILD)
