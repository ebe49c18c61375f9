"""The menu bar's menus, by mouse and keyboard, as the screen shows them."""

import time

import jlib
import qm
from jlib import check

JOURNEY = jlib.Journey("menus", "the menu bar's menus by mouse and keyboard")

TASKS, VIEW, IMAGE, HELP = range(4)


def close_all(s, ctx):
    """No menu open and the menu bar out of its keyboard mode, the mouse aside: Esc until the
    menu windows are gone, then Esc once more for the bar."""
    qm.rest_mouse(s, ctx["main"])
    for _ in range(3):
        if qm.menus_closed(s, timeout=0.3):
            break
        s.key("Escape")
    check(qm.menus_closed(s, timeout=3), "a menu stays open after Esc")
    s.key("Escape")


def open_by_click(s, ctx, index):
    title = ctx["bar"].titles[index]
    before = s.windows()
    s.click(*title.center)
    win, img = qm.wait_menu(s, before, what=f"the menu of title {index + 1}")
    return win, img


def base_menu(s, ctx, index):
    """The menu of a title opened by a click, as first drawn, with the mouse moved off its rows
    (onto its title) so no row is selected."""
    win, img = open_by_click(s, ctx, index)
    rows = qm.menu_rows(img, (win.rect.x, win.rect.y))
    check(len([r for r in rows if r.enabled]) >= 2, f"the menu shows {len(rows)} rows")
    return win, img, rows


@JOURNEY.setup
def setup(s, ctx):
    main = qm.main_at_rest(s, ctx)
    ctx["bar"] = qm.menu_bar(s, main)
    check(len(ctx["bar"].titles) == 4, f"the menu bar shows {len(ctx['bar'].titles)} titles, not 4")
    ctx["band0"] = s.settle(ctx["bar"].band)
    ctx["status"] = qm.status_bar(s, main)


@JOURNEY.recover
def recover(s, ctx):
    close_all(s, ctx)


@JOURNEY.step("a click on a title opens its menu under it")
def click_opens(s, ctx):
    bar = ctx["bar"]
    for i in (TASKS, VIEW, HELP):
        close_all(s, ctx)
        win, img = open_by_click(s, ctx, i)
        check(qm.menu_under(win, bar.titles[i]), f"menu {win.rect} is not under title {bar.titles[i]}")
        band = s.settle(bar.band)
        check(not jlib.same(band, ctx["band0"]), f"title {i + 1} is not drawn pressed while its menu is open")
    close_all(s, ctx)
    ctx["tasks"] = base_menu(s, ctx, TASKS)


@JOURNEY.step("every enabled row under the mouse is drawn selected and the status bar shows its hint")
def rows_selected(s, ctx):
    for menu in (TASKS, VIEW, IMAGE, HELP):
        close_all(s, ctx)
        win, base, rows = base_menu(s, ctx, menu)
        if menu == TASKS:
            ctx["tasks"] = (win, base, rows)
        rows_drawn_with_hints(s, ctx, menu, win, base, rows)
    close_all(s, ctx)


def rows_drawn_with_hints(s, ctx, menu, win, base, rows):
    status0 = s.settle(ctx["status"])
    hints = []
    enabled = [i for i, r in enumerate(rows) if r.enabled]
    check(len(enabled) >= 2, f"menu {menu + 1} shows {len(enabled)} enabled rows")
    # The status bar's text shows where no menu covers it.
    status_seen = not win.rect.intersects(ctx["status"])
    for i in enabled:
        r = rows[i]
        s.move(r.rect.x + 30, r.rect.center[1])
        img = s.wait_change(r.rect, base.crop((r.rect.x - win.rect.x, r.rect.y - win.rect.y,
                                               r.rect.right - win.rect.x, r.rect.bottom - win.rect.y)),
                            min_fraction=0.2)
        check(img is not None, f"menu {menu + 1}, row {i + 1} ({r.rect}) is not drawn selected under the mouse")
        check(qm.selected_row(s, win, base, rows) == i, f"menu {menu + 1}: another row than row {i + 1} is drawn selected")
        if not status_seen:
            continue
        status = s.settle(ctx["status"])
        check(not jlib.same(status, status0), f"menu {menu + 1}: the status bar shows no hint for row {i + 1}")
        for j, h in hints:
            check(not jlib.same(status, h), f"menu {menu + 1}: rows {j + 1} and {i + 1} show the same status text")
        hints.append((i, status))


@JOURNEY.step("Down and Up move the drawn selection")
def down_up(s, ctx):
    close_all(s, ctx)
    win, base, rows = ctx["tasks"] = base_menu(s, ctx, TASKS)
    enabled = [i for i, r in enumerate(rows) if r.enabled]
    # The mouse selects the first row; the keys move on from there.
    first = rows[enabled[0]]
    s.move(first.rect.x + 30, first.rect.center[1])
    check(s.wait_until(lambda: qm.selected_row(s, win, base, rows) == enabled[0], 3),
          "the first row is not drawn selected under the mouse")
    s.key("Down")
    check(s.wait_until(lambda: qm.selected_row(s, win, base, rows) == enabled[1], 3),
          f"Down did not move the drawn selection to row {enabled[1] + 1}")
    # Past the disabled rows (drawn selected or passed over): the next enabled row below.
    below = qm.next_drawn(s, win, base, rows, "Down", enabled[1])
    check(below is not None and below > enabled[1] and rows[below].enabled,
          f"Down from row {enabled[1] + 1} did not reach an enabled row below it (drawn: {below})")
    back = qm.next_drawn(s, win, base, rows, "Up", below)
    check(back is not None and back < below, f"Up from row {below + 1} did not move the drawn selection up")
    while back != enabled[1]:
        back = qm.next_drawn(s, win, base, rows, "Up", back)
        check(back is not None and back >= enabled[1], f"Up did not come back to row {enabled[1] + 1}")
    s.key("Up")
    check(s.wait_until(lambda: qm.selected_row(s, win, base, rows) == enabled[0], 3),
          f"Up did not move the drawn selection back to row {enabled[0] + 1}")


@JOURNEY.step("Down onto a disabled row draws it selected")
def down_onto_disabled(s, ctx):
    close_all(s, ctx)
    for menu in (TASKS, VIEW, IMAGE, HELP):
        close_all(s, ctx)
        win, base, rows = base_menu(s, ctx, menu)
        # An enabled row followed by a disabled one: the mouse selects the first, Down the next.
        pairs = [i for i in range(len(rows) - 1) if rows[i].enabled and not rows[i + 1].enabled]
        if not pairs:
            continue
        i = pairs[0]
        s.move(rows[i].rect.x + 30, rows[i].rect.center[1])
        check(s.wait_until(lambda: qm.selected_row(s, win, base, rows) == i, 3),
              f"menu {menu + 1}: row {i + 1} is not drawn selected under the mouse")
        s.key("Down")
        check(s.wait_until(lambda: qm.selected_row(s, win, base, rows) == i + 1, 3),
              f"menu {menu + 1}: Down onto the disabled row {i + 2} does not draw it selected")
        close_all(s, ctx)
        return
    raise jlib.StepFailed("no menu has a disabled row right below an enabled one")


@JOURNEY.step("sliding to the next title opens that menu")
def slide(s, ctx):
    close_all(s, ctx)
    bar = ctx["bar"]
    win, _ = open_by_click(s, ctx, TASKS)
    before = s.windows()
    (x0, y), (x1, _) = bar.titles[TASKS].center, bar.titles[VIEW].center
    for k in range(1, 7):
        s.move(x0 + (x1 - x0) * k // 6, y)
        time.sleep(0.03)
    view, _ = qm.wait_menu(s, before, what="the View menu (mouse slid onto its title)")
    check(qm.menu_under(view, bar.titles[VIEW]), f"menu {view.rect} is not under the View title")
    check(s.window_gone(win, 3), "the Tasks menu stays open beside the View menu")


@JOURNEY.step("after Esc closed a menu a click on the next title opens that menu")
def click_after_esc(s, ctx):
    close_all(s, ctx)
    bar = ctx["bar"]
    for i in (TASKS, VIEW, IMAGE, HELP):
        win, _ = open_by_click(s, ctx, i)
        check(qm.menu_under(win, bar.titles[i]), f"menu {win.rect} is not under title {i + 1}")
        s.key("Escape")
        check(s.window_gone(win, 3), f"Esc did not close the menu of title {i + 1}")


@JOURNEY.step("Right and Left open the next and the previous menu")
def right_left(s, ctx):
    close_all(s, ctx)
    bar = ctx["bar"]
    tasks, _ = open_by_click(s, ctx, TASKS)
    before = s.windows()
    s.key("Right")
    view, _ = qm.wait_menu(s, before, what="the View menu after Right")
    check(qm.menu_under(view, bar.titles[VIEW]), f"Right opened {view.rect}, not the menu under View")
    check(s.window_gone(tasks, 3), "the Tasks menu stays open after Right")
    before = s.windows()
    s.key("Left")
    back, _ = qm.wait_menu(s, before, what="the Tasks menu after Left")
    check(qm.menu_under(back, bar.titles[TASKS]), f"Left opened {back.rect}, not the menu under Tasks")
    check(s.window_gone(view, 3), "the View menu stays open after Left")


@JOURNEY.step("Alt+T, Down, Esc, Esc leaves no title highlighted")
def esc_twice(s, ctx):
    close_all(s, ctx)
    band0 = s.settle(ctx["bar"].band)
    check(jlib.same(band0, ctx["band0"]), "the menu bar does not look as at the start before the keys")
    before = s.windows()
    s.key("alt+t")
    win, _ = qm.wait_menu(s, before, what="the Tasks menu after Alt+T")
    s.key("Down", "Escape")
    check(s.window_gone(win, 3), "the first Esc did not close the Tasks menu")
    s.key("Escape")
    ok = s.wait_until(lambda: jlib.same(s.grab(ctx["bar"].band), band0), 3)
    check(ok, "after the second Esc the menu bar still shows a title highlighted")


@JOURNEY.step("Alt+letter opens that title's menu")
def alt_letter(s, ctx):
    bar = ctx["bar"]
    for key, i in (("alt+v", VIEW), ("alt+i", IMAGE), ("alt+h", HELP), ("alt+t", TASKS)):
        close_all(s, ctx)
        before = s.windows()
        s.key(key)
        win, _ = qm.wait_menu(s, before, what=f"the menu of {key}")
        check(qm.menu_under(win, bar.titles[i]), f"{key} opened {win.rect}, not the menu under title {i + 1}")
        s.key("Escape", "Escape")


@JOURNEY.step("Enter runs the selected row's command (Tasks, New Folder)")
def enter_runs(s, ctx):
    close_all(s, ctx)
    win, base, rows = base_menu(s, ctx, TASKS)
    enabled = [i for i, r in enumerate(rows) if r.enabled]
    target = enabled[1]          # "New Folder", the second row
    s.move(rows[enabled[0]].rect.x + 30, rows[enabled[0]].rect.center[1])
    check(s.wait_until(lambda: qm.selected_row(s, win, base, rows) == enabled[0], 3),
          "the first row is not drawn selected under the mouse")
    s.key("Down")
    check(s.wait_until(lambda: qm.selected_row(s, win, base, rows) == target, 3),
          "Down did not select the second row")
    s.key("Return")
    dlg = s.find_window(r"^New Folder$", timeout=10, what="the New Folder dialog")
    check(s.window_gone(win, 3), "the menu stays open after Enter")
    s.key("Escape")
    check(s.window_gone(dlg, 5), "the New Folder dialog did not close on Esc")
