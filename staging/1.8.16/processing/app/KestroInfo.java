package processing.app;

/**
 * Tells which Kestro add-on is merged into this IDE. The IDE's own code does
 * not need it; a user (or a test) can run it from the patched jar:
 *   java -cp lib/arduino-core.jar processing.app.KestroInfo
 */
public class KestroInfo {
  public static final String VERSION = "1.57";

  public static String describe() {
    return "Kestro add-on " + VERSION + " for Arduino";
  }

  public static void main(String[] args) {
    System.out.println(describe());
  }
}
