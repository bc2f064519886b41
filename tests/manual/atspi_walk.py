#!/usr/bin/python3
"""Walks the window of the running desktop program through AT-SPI, as a
screen reader such as Orca reaches it, and prints every control with its
role and name. Fails (exit 1) when a drop-down list, a button, a check box,
a table or a table cell has no name, or a drop-down list is named by the
option it shows rather than by what it sets.

Run by tests/manual/atspi-walk.sh, which starts the program under Xvfb with
an accessibility bus; needs python3-pyatspi and at-spi2-core.
"""
import sys
import time

import pyatspi

APPLICATION = "QZM530RX"  # the application name the program sets
NAMED_ROLES = {
    pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_PUSH_BUTTON,
    pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_TABLE,
    pyatspi.ROLE_TABLE_CELL,
    pyatspi.ROLE_MENU_ITEM,
}


# Of a big table (the memory map) the first cells are enough to read.
MAX_CELLS_SHOWN = 60


def find_application(timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == APPLICATION:
                return app
        time.sleep(0.2)
    return None


def shown_value(node):
    """The option a drop-down list shows, as a screen reader reads it: the
    list's text."""
    try:
        text = node.queryText()
        return text.getText(0, text.characterCount)
    except NotImplementedError:
        return None


def walk(node, depth, problems):
    role = node.getRole()
    name = node.name or ""
    states = node.getState()
    showing = states.contains(pyatspi.STATE_SHOWING)
    line = "  " * depth + f"{node.getRoleName()}: {name!r}"
    labels = [target.name for relation in node.getRelationSet()
              if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
              for target in (relation.getTarget(i) for i in range(relation.getNTargets()))]
    if labels:
        line += f"  labelled by {labels}"
    if role == pyatspi.ROLE_COMBO_BOX:
        value = shown_value(node)
        line += f"  shows {value!r}"
        if value is None:
            problems.append(f"drop-down list {name!r} does not tell what it shows")
        elif value and name.strip() == value.strip():
            problems.append(f"drop-down list named by its value: {name!r}")
    if not showing:
        line += "  (hidden)"
    print(line)
    # Cells scrolled out of view are not reached; a cell without text in
    # view is only reported.
    if role in NAMED_ROLES and not name.strip() and (showing or role != pyatspi.ROLE_TABLE_CELL):
        problems.append(f"{node.getRoleName()} without a name, under {node.parent.name!r}")
    # The options of a list are its value, not controls of the window.
    if role == pyatspi.ROLE_COMBO_BOX:
        return
    for index, child in enumerate(node):
        if role == pyatspi.ROLE_TABLE and index >= MAX_CELLS_SHOWN:
            print("  " * (depth + 1) + f"... {node.childCount - index} more")
            break
        if child is not None:
            walk(child, depth + 1, problems)


def find(node, role, name):
    if node.getRole() == role and (node.name or "").strip() == name:
        return node
    for child in node:
        if child is not None:
            found = find(child, role, name)
            if found is not None:
                return found
    return None


def press(node):
    action = node.queryAction()
    for index in range(action.nActions):
        if action.getName(index) == "Press":
            action.doAction(index)
            return


def walk_dialog(app, button, closer, problems):
    """Opens a dialog by its button on the form, walks it and closes it."""
    print(f"\n-- the dialog behind {button!r}")
    press(find(app, pyatspi.ROLE_PUSH_BUTTON, button))
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        dialogs = [child for child in app if child is not None
                   and child.getRole() == pyatspi.ROLE_DIALOG]
        if dialogs:
            walk(dialogs[0], 1, problems)
            button = find(dialogs[0], pyatspi.ROLE_PUSH_BUTTON, closer)
            if button is None:
                problems.append(f"no {closer!r} button in the dialog behind {button!r}")
            else:
                press(button)
            return
        time.sleep(0.2)
    problems.append(f"no dialog opened by {button!r}")


def main():
    app = find_application(timeout=20)
    if app is None:
        print(f"no application {APPLICATION!r} on the accessibility bus", file=sys.stderr)
        return 2
    problems = []
    walk(app, 0, problems)
    if "--dialogs" in sys.argv:
        walk_dialog(app, "COM port", "Cancel", problems)
        walk_dialog(app, "* Memory Map", "Close", problems)
    print()
    for problem in problems:
        print("PROBLEM:", problem)
    print("every control named by what it does" if not problems else f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
