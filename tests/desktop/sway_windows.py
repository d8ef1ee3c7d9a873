# Reads sway's tree (swaymsg -t get_tree -r) and prints the output of every full screen window
# of the program, one per line.
import json
import sys


def walk(node, output):
    if node.get("type") == "output":
        output = node.get("name")
    if node.get("app_id") == "com.corvan.Tivora" and node.get("fullscreen_mode"):
        print(output)
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child, output)


walk(json.load(sys.stdin), None)
